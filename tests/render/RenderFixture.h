#pragma once

// Test support for end-to-end runs: a private bundle that holds the built binary
// (linked, not copied) and look files written by the test, loaded by our host.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ZelkVec3.h"
#include <ofxhost/Host.h>

namespace zelktest {

namespace fs = std::filesystem;

using Lut = std::vector<zelk_vec3<float>>;

inline const char* kEffectId = "com.ZELKOpenFX.ZELKLookLib";

// The plug-in reads its log file name when it is loaded, so every test of this
// binary shares one file and reads only what was appended during the test. A
// file we named ourselves is removed when the test binary ends.
inline const struct PluginLogFile {
    PluginLogFile()
    {
        const char* set = std::getenv("OFX_PLUGIN_LOGFILE");
        owned = set == nullptr || *set == '\0';
        path = owned ? (fs::temp_directory_path() /
                        ("zelk-render-log-" + std::to_string(::getpid()) + ".txt"))
                           .string()
                     : set;
        ::setenv("OFX_PLUGIN_LOGFILE", path.c_str(), 1);
    }
    ~PluginLogFile()
    {
        std::error_code ec;
        if (owned) {
            fs::remove(path, ec);
        }
    }
    std::string path;
    bool owned;
} g_pluginLog; // named before any test loads a binary, whichever test runs first

class LogTail {
public:
    LogTail()
    {
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(g_pluginLog.path, ec);
        m_start = ec ? 0 : size;
    }

    std::string text() const
    {
        std::ifstream in(g_pluginLog.path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(m_start));
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    // The appended lines without their nesting indent.
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        std::istringstream in(text());
        for (std::string line; std::getline(in, line);) {
            const size_t first = line.find_first_not_of(' ');
            result.push_back(first == std::string::npos ? std::string() : line.substr(first));
        }
        return result;
    }

    long count(const std::string& line) const
    {
        const std::vector<std::string> all = lines();
        return std::count(all.begin(), all.end(), line);
    }

private:
    std::uintmax_t m_start;
};

// entry(r, g, b) for every lattice point, in file order (blue fastest).
inline Lut makeLut(int n, const std::function<zelk_vec3<float>(int, int, int)>& entry)
{
    Lut lut;
    lut.reserve(static_cast<size_t>(n) * n * n);
    for (int r = 0; r < n; ++r) {
        for (int g = 0; g < n; ++g) {
            for (int b = 0; b < n; ++b) {
                lut.push_back(entry(r, g, b));
            }
        }
    }
    return lut;
}

inline Lut constantLut(int n, float value)
{
    return makeLut(n, [value](int, int, int) { return zelk_vec3<float>{value, value, value}; });
}

inline void writeLookFile(const fs::path& path, const Lut& lut)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::uint64_t count = lut.size();
    out.write(reinterpret_cast<const char*>(&count), sizeof count);
    out.write(reinterpret_cast<const char*>(lut.data()),
              static_cast<std::streamsize>(lut.size() * sizeof(zelk_vec3<float>)));
}

// ZELK-Look-Lib.ofx.bundle in a fresh temporary directory, removed afterwards.
class TestBundle {
public:
    TestBundle()
    {
        static int serial = 0;
        m_root = fs::temp_directory_path() /
                 ("zelk-bundle-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::remove_all(m_root);
        m_bundle = m_root / "ZELK-Look-Lib.ofx.bundle";
        fs::create_directories(m_bundle / "Contents" / "Linux-x86-64");
        fs::create_directories(lookDir());
        fs::create_directories(lookDirTevo4());
        fs::create_symlink(fs::path(ZELK_TEST_BUNDLE) / "Contents" / "Linux-x86-64" /
                               "ZELK-Look-Lib.ofx",
                           m_bundle / "Contents" / "Linux-x86-64" / "ZELK-Look-Lib.ofx");
    }
    ~TestBundle()
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    std::string path() const { return m_bundle.string(); }
    fs::path lookDir() const { return m_bundle / "Contents" / "Resources" / "looks_bin_tevo"; }
    fs::path lookDirTevo4() const { return lookDir().string() + "4"; }

    // The same look for both transfer curves.
    void addLook(const std::string& name, const Lut& lut) const
    {
        writeLookFile(lookDir() / (name + ".cube.bin"), lut);
        writeLookFile(lookDirTevo4() / (name + ".cube.bin"), lut);
    }

private:
    fs::path m_root;
    fs::path m_bundle;
};

// A packed RGBA float image with its own pixel bounds.
struct Frame {
    OfxRectI bounds{0, 0, 0, 0};
    std::vector<float> pixels;

    Frame(OfxRectI b, float fill) : bounds(b), pixels(size_t(width()) * height() * 4, fill) {}
    Frame(int w, int h, float fill) : Frame(OfxRectI{0, 0, w, h}, fill) {}

    int width() const { return bounds.x2 - bounds.x1; }
    int height() const { return bounds.y2 - bounds.y1; }
    float* at(int x, int y)
    {
        return &pixels[(size_t(y - bounds.y1) * width() + size_t(x - bounds.x1)) * 4];
    }
    ofxhost::ImageDesc desc()
    {
        ofxhost::ImageDesc d;
        d.data = pixels.data();
        d.rowBytes = width() * 16;
        d.bounds = bounds;
        return d;
    }
};

inline bool untouched(const Frame& frame, float fill)
{
    return std::all_of(frame.pixels.begin(), frame.pixels.end(),
                       [fill](float v) { return v == fill; });
}

// A host with the test bundle loaded and one instance of the effect.
class Session {
public:
    explicit Session(const TestBundle& bundle, ofxhost::HostOptions options = {})
        : m_host(std::make_unique<ofxhost::Host>(options))
    {
        ofxhost::Bundle& loaded = m_host->loadBundle(bundle.path());
        m_effect = loaded.effect(kEffectId);
        if (m_effect == nullptr) {
            throw std::runtime_error("effect not described by the bundle");
        }
        m_instance = m_effect->createInstance();
    }

    ofxhost::Host& host() { return *m_host; }
    ofxhost::Effect& effect() { return *m_effect; }
    ofxhost::Instance& instance() { return *m_instance; }

    // Attaches both images and renders the whole destination (or `window`).
    OfxStatus render(Frame& src, Frame& dst, const OfxRectI* window = nullptr, double time = 0.0,
                     const ofxhost::GpuRenderArgs& gpu = {})
    {
        m_instance->setClipImage("Source", src.desc());
        m_instance->setClipImage("Output", dst.desc());
        return m_instance->render(time, window != nullptr ? *window : dst.bounds, gpu);
    }

private:
    // Declared before the instance, so the instance goes first.
    std::unique_ptr<ofxhost::Host> m_host;
    ofxhost::Effect* m_effect = nullptr;
    std::unique_ptr<ofxhost::Instance> m_instance;
};

} // namespace zelktest
