#include "BenchSession.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace openclbench {

namespace fs = std::filesystem;

namespace {

void write_look(const fs::path& path, const std::vector<zelk_vec3<float>>& lut)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const uint64_t count = lut.size(); // little-endian on x86-64, as the file wants
    out.write(reinterpret_cast<const char*>(&count), sizeof count);
    out.write(reinterpret_cast<const char*>(lut.data()),
              static_cast<std::streamsize>(lut.size() * sizeof(lut[0])));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string make_bench_bundle()
{
    const fs::path from(ZELK_BENCH_BUNDLE);
    const fs::path to = fs::path(ZELK_BENCH_DIR) / from.filename();
    fs::remove_all(to);
    fs::create_directories(to / "Contents");
    fs::copy(from / "Contents" / "Linux-x86-64", to / "Contents" / "Linux-x86-64",
             fs::copy_options::recursive);
    for (const char* sub : {"looks_bin_tevo", "looks_bin_tevo4"}) {
        const fs::path looks = to / "Contents" / "Resources" / sub;
        fs::create_directories(looks);
        for (int n : {33, 65})
            write_look(looks / ("bench" + std::to_string(n) + ".cube.bin"), benchLut(n));
    }
    return to.string();
}

// Scattered colours, so that neighbouring pixels hit different lattice cells.
std::vector<float> make_frame()
{
    std::vector<float> frame(size_t(kWidth) * kHeight * 4);
    uint32_t state = 12345u;
    for (size_t i = 0; i < frame.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        frame[i] = (i % 4 == 3) ? 1.0f : float(state >> 8) / float(1u << 24);
    }
    return frame;
}

} // namespace

std::vector<zelk_vec3<float>> benchLut(int n)
{
    std::vector<zelk_vec3<float>> lut;
    const float last = float(n - 1);
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b)
                lut.push_back({0.8f * r / last + 0.2f * g / last, std::sqrt(g / last),
                               (b / last) * (b / last)});
    return lut;
}

Session& Session::get()
{
    static Session session = [] {
        Session s;
        if (!ofxhost::openClDeviceAvailable(&s.error))
            return s;
        try {
            s.host = std::make_unique<ofxhost::Host>();
            s.effect = s.host->loadBundle(make_bench_bundle()).effects().at(0);
            s.renderer = std::make_unique<ofxhost::OpenClRenderer>();
            s.source = make_frame();
            s.output.assign(s.source.size(), 0.0f);
        } catch (const std::exception& e) {
            s.error = e.what();
            s.renderer.reset();
        }
        return s;
    }();
    return session;
}

std::unique_ptr<ofxhost::Instance> Session::instance(int n)
{
    std::unique_ptr<ofxhost::Instance> instance = effect->createInstance();
    instance->setChoice("printStock", "bench" + std::to_string(n));
    instance->setParam("color", kMix);
    return instance;
}

} // namespace openclbench
