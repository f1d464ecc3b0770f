// A test-only effect that runs the plug-in's processor frame with processors that
// override nothing of the pixel work, so the frame's own behaviour shows in the
// log: its window check, path choice, default bodies and CPU bands.

#include <memory>

#include "ImageProcessor.h"
#include "ofxsImageEffect.h"
#include "ofxsLog.h"

namespace {

// Mode 0: every path keeps the frame's default body.
class BareProcessor : public OFX::ImageProcessor {
public:
    explicit BareProcessor(OFX::ImageEffect& effect) : OFX::ImageProcessor(effect) {}
    void preProcess() override { OFX::Log::print("preProcess"); }
    void postProcess() override { OFX::Log::print("postProcess"); }
};

// Mode 1: the CPU path logs each band it is given.
class BandProcessor : public BareProcessor {
public:
    using BareProcessor::BareProcessor;
    void multiThreadProcessImages(OfxRectI window) override
    {
        OFX::Log::print("band %d %d %d %d", window.x1, window.y1, window.x2, window.y2);
    }
};

class ProbeEffect : public OFX::ImageEffect {
public:
    explicit ProbeEffect(OfxImageEffectHandle handle)
        : OFX::ImageEffect(handle), m_DstClip(fetchClip(kOfxImageEffectOutputClipName)),
          m_Mode(fetchChoiceParam("mode"))
    {
    }

    void render(const OFX::RenderArguments& args) override
    {
        std::unique_ptr<OFX::Image> dst(m_DstClip->fetchImage(args.time));
        int mode = 0;
        m_Mode->getValueAtTime(args.time, mode);
        std::unique_ptr<BareProcessor> processor;
        if (mode == 0) {
            processor = std::make_unique<BareProcessor>(*this);
        } else {
            processor = std::make_unique<BandProcessor>(*this);
        }
        processor->setDstImg(dst.get());
        processor->setRenderWindow(args.renderWindow);
        processor->setGPURenderArgs(args);
        processor->process();
    }

private:
    OFX::Clip* m_DstClip;
    OFX::ChoiceParam* m_Mode;
};

class ProbeFactory : public OFX::PluginFactoryHelper<ProbeFactory> {
public:
    ProbeFactory() : OFX::PluginFactoryHelper<ProbeFactory>("com.ZELKOpenFX.FrameProbe", 1, 0) {}

    void describe(OFX::ImageEffectDescriptor& desc) override
    {
        desc.setLabels("Frame Probe", "Frame Probe", "Frame Probe");
        desc.addSupportedContext(OFX::eContextFilter);
        desc.addSupportedBitDepth(OFX::eBitDepthFloat);
        desc.setSupportsTiles(false);
    }

    void describeInContext(OFX::ImageEffectDescriptor& desc, OFX::ContextEnum) override
    {
        desc.defineClip(kOfxImageEffectSimpleSourceClipName)
            ->addSupportedComponent(OFX::ePixelComponentRGBA);
        desc.defineClip(kOfxImageEffectOutputClipName)
            ->addSupportedComponent(OFX::ePixelComponentRGBA);
        OFX::ChoiceParamDescriptor* mode = desc.defineChoiceParam("mode");
        mode->appendOption("bare");
        mode->appendOption("bands");
        mode->setDefault(0);
    }

    OFX::ImageEffect* createInstance(OfxImageEffectHandle handle, OFX::ContextEnum) override
    {
        return new ProbeEffect(handle);
    }
};

} // namespace

namespace OFX {
namespace Plugin {

void getPluginIDs(OFX::PluginFactoryArray& ids)
{
    OFX::Log::open();
    static ProbeFactory factory;
    ids.push_back(&factory);
}

} // namespace Plugin
} // namespace OFX
