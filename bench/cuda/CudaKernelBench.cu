// The look kernel alone at 3840x2160, N = 33, timed with events on the stream,
// beside the launcher (LUT allocation and upload, kernel, device wait, release).
#include <benchmark/benchmark.h>

// The kernel has internal linkage: reach it from inside its own source unit.
#include "Process3DLUT.cu"

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kLutSize = 33;
constexpr double kBytesPerPixel = 32.0;

struct DeviceFrame {
    float4* src = nullptr;
    float4* dst = nullptr;
    float3* lut = nullptr;
    std::vector<zelk_vec3<float>> hostLut;
    cudaStream_t stream = nullptr;
    double peakBandwidth = 0.0;
    std::string error;
};

DeviceFrame& frame()
{
    static DeviceFrame f = [] {
        DeviceFrame f;
        int count = 0;
        const cudaError_t err = cudaGetDeviceCount(&count);
        if (err != cudaSuccess || count == 0) {
            f.error = std::string("no CUDA device: ") +
                      (err != cudaSuccess ? cudaGetErrorString(err) : "none found");
            return f;
        }
        int clockKHz = 0, busBits = 0;
        cudaDeviceGetAttribute(&clockKHz, cudaDevAttrMemoryClockRate, 0);
        cudaDeviceGetAttribute(&busBits, cudaDevAttrGlobalMemoryBusWidth, 0);
        f.peakBandwidth = 2.0 * clockKHz * 1000.0 * busBits / 8.0;

        const size_t pixels = size_t(kWidth) * kHeight;
        std::vector<float4> host(pixels);
        for (size_t i = 0; i < pixels; ++i) {
            const float t = float(i % 4099) / 4096.0f;
            host[i] = make_float4(t, 1.0f - t, 0.5f * t, 1.0f);
        }
        f.hostLut.resize(size_t(kLutSize) * kLutSize * kLutSize);
        for (size_t i = 0; i < f.hostLut.size(); ++i) {
            const float v = float(i) / float(f.hostLut.size());
            f.hostLut[i] = {v, 1.0f - v, v * v};
        }
        cudaStreamCreate(&f.stream);
        cudaMalloc(&f.src, pixels * sizeof(float4));
        cudaMalloc(&f.dst, pixels * sizeof(float4));
        cudaMalloc(&f.lut, f.hostLut.size() * sizeof(float3));
        cudaMemcpy(f.src, host.data(), pixels * sizeof(float4), cudaMemcpyHostToDevice);
        cudaMemcpy(f.lut, f.hostLut.data(), f.hostLut.size() * sizeof(float3),
                   cudaMemcpyHostToDevice);
        const cudaError_t setup = cudaGetLastError();
        if (setup != cudaSuccess)
            f.error = std::string("CUDA set-up failed: ") + cudaGetErrorString(setup);
        return f;
    }();
    return f;
}

void report(benchmark::State& state, const DeviceFrame& f)
{
    const double pixels = double(kWidth) * kHeight * double(state.iterations());
    state.counters["MPix/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    if (f.peakBandwidth > 0) {
        state.counters["bw_share"] = benchmark::Counter(pixels * kBytesPerPixel / f.peakBandwidth,
                                                        benchmark::Counter::kIsRate);
    }
}

void BM_CudaLookKernel(benchmark::State& state)
{
    DeviceFrame& f = frame();
    if (!f.error.empty()) {
        state.SkipWithError(f.error.c_str());
        return;
    }
    cudaEvent_t start, stop;
    cudaEventCreate(&start);
    cudaEventCreate(&stop);
    const dim3 grid = CUDA::LaunchGrid(kWidth, kHeight);
    for (auto _ : state) {
        cudaEventRecord(start, f.stream);
        Process3DLUT<<<grid, CUDA::LaunchBlock(), 0, f.stream>>>(
            f.src, f.dst, f.lut, kWidth, kHeight, kLutSize, 0.5f, kWidth, kWidth);
        cudaEventRecord(stop, f.stream);
        cudaEventSynchronize(stop);
        float ms = 0.0f;
        cudaEventElapsedTime(&ms, start, stop);
        state.SetIterationTime(ms / 1000.0);
    }
    const cudaError_t err = cudaGetLastError();
    if (err != cudaSuccess)
        state.SkipWithError(cudaGetErrorString(err));
    cudaEventDestroy(start);
    cudaEventDestroy(stop);
    report(state, f);
}

void BM_CudaLookLauncher(benchmark::State& state)
{
    DeviceFrame& f = frame();
    if (!f.error.empty()) {
        state.SkipWithError(f.error.c_str());
        return;
    }
    for (auto _ : state) {
        RunCudaKernel3DLUT(f.stream, kWidth, kHeight, 0.5f, f.hostLut.data(), kLutSize,
                           reinterpret_cast<const float*>(f.src), reinterpret_cast<float*>(f.dst));
    }
    report(state, f);
}

} // namespace

BENCHMARK(BM_CudaLookKernel)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_CudaLookLauncher)->Unit(benchmark::kMillisecond)->UseRealTime();
