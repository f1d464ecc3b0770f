#pragma once

// The plug-in rendering through our host, as ofx-render does: one instance of
// the effect from a bundle, RGBA float frames, intensity 1.

#include <ofxhost/Host.h>
#include <ofxhost/Instance.h>

#include <memory>
#include <string>
#include <vector>

namespace looks_test {

// One instance of the effect from a bundle, rendering `src` (RGBA rows) at
// intensity 1 into `dst`.
class LookRender {
public:
    LookRender(const std::string& bundle, int width, int height, std::vector<float> src)
        : m_src(std::move(src)), m_dst(m_src.size(), -1.0f), m_bounds{0, 0, width, height}
    {
        ofxhost::Effect* effect = m_host.loadBundle(bundle).effect("com.ZELKOpenFX.ZELKLookLib");
        if (!effect)
            return;
        m_instance = effect->createInstance();
        ofxhost::ImageDesc image;
        image.rowBytes = width * 16;
        image.bounds = m_bounds;
        image.data = m_src.data();
        m_instance->setClipImage("Source", image);
        image.data = m_dst.data();
        m_instance->setClipImage("Output", image);
        m_instance->setParam("color", 1.0);
    }
    ofxhost::Instance* instance() const { return m_instance.get(); }
    OfxStatus render(const std::string& look, const std::string& curve)
    {
        m_instance->setChoice("printStock", look);
        m_instance->setChoice("colorSpaceTransform", curve);
        return m_instance->render(0.0, m_bounds);
    }
    const float* in(int pixel) const { return &m_src[4 * std::size_t(pixel)]; }
    const float* out(int pixel) const { return &m_dst[4 * std::size_t(pixel)]; }

private:
    ofxhost::Host m_host;
    std::unique_ptr<ofxhost::Instance> m_instance;
    std::vector<float> m_src, m_dst;
    OfxRectI m_bounds;
};

} // namespace looks_test
