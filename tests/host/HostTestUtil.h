// Shared helpers of the host tests.
#pragma once

#include <ofxhost/Host.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unistd.h>

namespace hosttest {

inline std::string fakeBundle()
{
    return std::string(FAKE_PLUGIN_DIR) + "/FakeGain.ofx.bundle";
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
class TempDir {
public:
    TempDir()
    {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "ofxhost-test-XXXXXX").string();
        m_path = mkdtemp(tmpl.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
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
    int width, height;
    std::vector<float> data;
};

} // namespace hosttest
