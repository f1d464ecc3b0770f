// The CUDA path through our host at 3840x2160 with a bundled look: the render
// action alone (LUT upload, kernel, device synchronisation, as the plug-in does
// them on every call) and with the host's copies to and from the device.
#include <benchmark/benchmark.h>

#include <ofxhost/CudaRender.h>
#include <ofxhost/Host.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
// Each pixel is read once and written once: 16 bytes each way.
constexpr double kBytesPerPixel = 32.0;

struct Session {
    std::unique_ptr<ofxhost::Host> host;
    std::unique_ptr<ofxhost::Instance> instance;
    std::unique_ptr<ofxhost::CudaRenderer> renderer;
    std::vector<float> source, output;
    int lutSize = 0;
    std::string error;
};

// The built bundle, or the one a packed copy of the build names.
std::string bundle_dir()
{
    const char* packed = std::getenv("ZELK_BENCH_BUNDLE");
    return packed ? packed : ZELK_BENCH_BUNDLE;
}

int look_size(const std::string& lookName)
{
    const auto file = std::filesystem::path(bundle_dir()) / "Contents" / "Resources" /
                      "looks_bin_tevo" / (lookName + ".cube.bin");
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(file, ec);
    return ec ? 0 : int(std::lround(std::cbrt(double((bytes - 8) / 12))));
}

Session& session()
{
    static Session s = [] {
        Session s;
        if (!ofxhost::cudaDeviceAvailable(&s.error))
            return s;
        try {
            s.host = std::make_unique<ofxhost::Host>();
            ofxhost::Effect* effect = s.host->loadBundle(bundle_dir()).effects().at(0);
            s.instance = effect->createInstance();
            const std::string look = s.instance->choiceOptions("printStock").at(0);
            s.instance->setChoice("printStock", look);
            s.instance->setParam("color", 0.5);
            s.lutSize = look_size(look);
            s.renderer = std::make_unique<ofxhost::CudaRenderer>();
            s.source.resize(size_t(kWidth) * kHeight * 4);
            for (size_t i = 0; i < s.source.size(); ++i)
                s.source[i] = float(i % 4099) / 4096.0f;
            s.output.assign(s.source.size(), 0.0f);
            s.renderer->upload(s.source.data(), s.output.data(), kWidth, kHeight);
        } catch (const std::exception& e) {
            s.error = e.what();
            s.renderer.reset();
        }
        return s;
    }();
    return s;
}

void report(benchmark::State& state, const Session& s)
{
    const double pixels = double(kWidth) * kHeight * double(state.iterations());
    state.counters["MPix/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    if (s.renderer->peakBandwidth() > 0) {
        // Share of the device's peak memory bandwidth that the pixel traffic reaches.
        state.counters["bw_share"] = benchmark::Counter(
            pixels * kBytesPerPixel / s.renderer->peakBandwidth(), benchmark::Counter::kIsRate);
    }
    state.counters["lut_size"] = s.lutSize;
    state.SetLabel(s.renderer->deviceName());
}

// Runs `render` once per iteration and reports; skips without a device or as
// soon as a render fails.
template <typename Render> void time_renders(benchmark::State& state, Render render)
{
    Session& s = session();
    if (!s.renderer) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    for (auto _ : state) {
        if (render(s) != kOfxStatOK) {
            state.SkipWithError("the render action failed");
            return;
        }
    }
    report(state, s);
}

void BM_CudaRenderCall(benchmark::State& state)
{
    time_renders(state, [](Session& s) { return s.renderer->renderOnDevice(*s.instance, 0.0); });
}

void BM_CudaRenderWithHostCopies(benchmark::State& state)
{
    time_renders(state, [](Session& s) {
        return s.renderer->render(*s.instance, 0.0, s.source.data(), s.output.data(), kWidth,
                                  kHeight);
    });
}

} // namespace

BENCHMARK(BM_CudaRenderCall)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CudaRenderWithHostCopies)->Unit(benchmark::kMillisecond)->UseRealTime();
