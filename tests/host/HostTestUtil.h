// Shared helpers of the host tests.
#pragma once

#include <ofxhost/Host.h>
#include <ofxhost/Instance.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace hosttest {

// plugins/NAME.ofx.bundle: FakeGain, HostFeatures (one effect per host feature) or Partly.
inline std::string bundle(const std::string& name)
{
    return std::string(FAKE_PLUGIN_DIR) + "/" + name + ".ofx.bundle";
}

// A suite as a plug-in fetches it from the host.
template <typename Suite>
const Suite* fetchSuite(ofxhost::Host& host, const char* name, int version = 1)
{
    OfxHost* h = host.ofxHost();
    return static_cast<const Suite*>(h->fetchSuite(h->host, name, version));
}

// The message of the ofxhost::Error that `f` throws.
inline std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ofxhost::Error& e) {
        return e.what();
    }
    return "(no error)";
}

// A fresh directory removed with everything in it at the end of the test.
struct TempDir {
    TempDir()
    {
        path = (std::filesystem::temp_directory_path() / "ofxhost-test-XXXXXX").string();
        mkdtemp(path.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

// Sets (or unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name.c_str(), m_old->c_str(), 1) : unsetenv(m_name.c_str()); }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// An input showing `image` at every time.
inline ofxhost::ClipInput inputOf(const ofxhost::ImageDesc& image)
{
    ofxhost::ClipInput in;
    in.frameAt = [image](double) {
        return std::optional<ofxhost::ClipFrame>(ofxhost::ClipFrame{image, nullptr});
    };
    return in;
}

// An RGBA float image in host memory.
struct Pixels {
    Pixels(int w, int h, float fill = 0.0f)
        : width(w), height(h), data(static_cast<size_t>(w) * h * 4, fill)
    {
    }
    ofxhost::ImageDesc desc(int x0 = 0, int y0 = 0)
    {
        ofxhost::ImageDesc d;
        d.data = data.data();
        d.rowBytes = width * 4 * static_cast<int>(sizeof(float));
        d.bounds = OfxRectI{x0, y0, x0 + width, y0 + height};
        return d;
    }
    float& at(int x, int y, int c) { return data[(static_cast<size_t>(y) * width + x) * 4 + c]; }
    // An input showing these pixels (at x0, y0) at every time.
    ofxhost::ClipInput input(int x0 = 0, int y0 = 0) { return inputOf(desc(x0, y0)); }
    int width, height;
    std::vector<float> data;
};

// Pixel (x, y), channel c of a rendered frame, in the frame's own coordinates.
inline float sample(const ofxhost::RenderedFrame& f, int x, int y, int c)
{
    const int width = f.bounds.x2 - f.bounds.x1;
    return f.pixels.at((static_cast<size_t>(y - f.bounds.y1) * width + (x - f.bounds.x1)) * 4 + c);
}

// A host with the bundle of test effects of plugins/ loaded.
class FeaturesTest : public ::testing::Test {
protected:
    // An instance of effect `id` in `context`, in a project the size of `window`.
    std::unique_ptr<ofxhost::Instance> create(const std::string& id,
                                              const char* context = kOfxImageEffectContextFilter,
                                              OfxRectI window = {0, 0, 4, 2})
    {
        ofxhost::Effect* found = host.loadBundle(bundle("HostFeatures")).effect(id);
        if (!found)
            throw std::runtime_error(id + " not loaded");
        return found->createInstance(context, ofxhost::ProjectSettings::forWindow(window));
    }

    ofxhost::Host host;
};

} // namespace hosttest
