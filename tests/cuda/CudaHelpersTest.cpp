// The CUDA helpers and the launch sequence, compiled against the scripted runtime
// of FakeCudaRuntime.cpp: every path, including the ones a real device only takes
// when it fails, runs here without a GPU.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CudaKernels.h"
#include "CudaLaunch.h"
#include "FakeCudaRuntime.h"

namespace {

using Names = std::vector<std::string>;
using Scripts = std::vector<std::pair<const char*, cudaError_t>>;

void* const kStream = reinterpret_cast<void*>(0x5eed);
const int kKernelTag = 0; // stands in for a __global__ function's address
const void* const kKernel = &kKernelTag;
const char* const kAllocFailed = "Failed to allocate CUDA memory! error = 2";
const char* const kCopyFailed = "Failed to copy from host to CUDA memory! error = 1";
const char* const kSyncFailed = "Failed to sync CUDA stream! error = 719";

void start(const Scripts& scripts)
{
    fakecuda::reset();
    for (const auto& [function, code] : scripts) {
        fakecuda::script(function, code);
    }
}

class CudaFake : public ::testing::Test {
protected:
    void SetUp() override { fakecuda::reset(); }
    void TearDown() override { fakecuda::reset(); } // frees the fake device memory, drops the hook
};

// What the helpers are scripted to meet, the runtime calls they make and their log.
struct Case {
    Scripts scripts;
    Names calls;
    Names log;
};

// The look launch's arguments, decoded in the kernel's parameter order.
struct LookArgs {
    const float* src;
    float* dst;
    const float* lut;
    int width, height, lutSize;
    float mix;
    int srcPitch, dstPitch;
    std::vector<float> lutContents;
} g_look;

void captureLookArgs(void** a)
{
    void* const fields[] = {&g_look.src,   &g_look.dst,      &g_look.lut,
                            &g_look.width, &g_look.height,   &g_look.lutSize,
                            &g_look.mix,   &g_look.srcPitch, &g_look.dstPitch};
    const size_t sizes[] = {8, 8, 8, 4, 4, 4, 4, 4, 4};
    for (int i = 0; i < 9; ++i) {
        std::memcpy(fields[i], a[i], sizes[i]);
    }
    g_look.lutContents.assign(g_look.lut,
                              g_look.lut + 3 * g_look.lutSize * g_look.lutSize * g_look.lutSize);
}

GpuLaunchResult runLook(int width, int height, const zelk_vec3<float>* lut, int lutSize,
                        const float* src, float* dst, float mix = 1.0f)
{
    return CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream,
                               GpuLookWindow::packed(width, height), mix, lut, lutSize, src, dst);
}

std::vector<zelk_vec3<float>> rampLut(int n)
{
    std::vector<zelk_vec3<float>> lut(static_cast<size_t>(n) * n * n);
    for (size_t i = 0; i < lut.size(); ++i) {
        lut[i] = {float(i), float(i) + 0.25f, -float(i)};
    }
    return lut;
}

TEST_F(CudaFake, AllocAndFreeFallBackOnlyOnNotSupportedAndLogEveryFailure)
{
    const float host[4] = {};
    // Only 801 falls back, clearing the refusal so that no kernel is blamed for it; a
    // failed copy or wait is logged and the stream still synchronised.
    const Case allocs[] = {
        {{{"cudaMallocAsync", cudaErrorNotSupported}},
         {"cudaMallocAsync", "cudaGetLastError", "cudaMalloc", "cudaMemcpyAsync",
          "cudaStreamSynchronize"},
         {}},
        {{{"cudaMallocAsync", cudaErrorNotSupported}, {"cudaMalloc", cudaErrorMemoryAllocation}},
         {"cudaMallocAsync", "cudaGetLastError", "cudaMalloc"},
         {kAllocFailed}},
        {{{"cudaMallocAsync", cudaErrorMemoryAllocation}}, {"cudaMallocAsync"}, {kAllocFailed}},
        {{{"cudaMemcpyAsync", cudaErrorInvalidValue}},
         {"cudaMallocAsync", "cudaMemcpyAsync", "cudaStreamSynchronize"},
         {kCopyFailed}},
        {{{"cudaStreamSynchronize", cudaErrorLaunchFailure}},
         {"cudaMallocAsync", "cudaMemcpyAsync", "cudaStreamSynchronize"},
         {kSyncFailed}},
    };
    for (const Case& c : allocs) {
        start(c.scripts);
        const bool allocated = CUDA::AllocBuffer(kStream, sizeof host, host) != nullptr;
        EXPECT_EQ(allocated, c.log != Names{kAllocFailed});
        EXPECT_EQ(fakecuda::callNames(), c.calls);
        EXPECT_EQ(fakecuda::log(), c.log);
        for (const auto& call : fakecuda::calls()) { // allocations and the copy, fall-back included
            EXPECT_EQ(call.bytes, call.name.rfind("cudaM", 0) == 0 ? sizeof host : 0u) << call.name;
        }
        if (c.log.empty()) {
            CUDA::CheckError("Process3DLUT");
            EXPECT_EQ(fakecuda::log(), Names{}) << "a handled refusal reported as a kernel error";
        }
    }

    // 801 on release: wait for queued work, then release at once, even if the wait failed.
    const Case frees[] = {
        {{}, {"cudaFreeAsync"}, {}},
        {{{"cudaFreeAsync", cudaErrorNotSupported},
          {"cudaStreamSynchronize", cudaErrorLaunchFailure}},
         {"cudaFreeAsync", "cudaGetLastError", "cudaStreamSynchronize", "cudaFree"},
         {kSyncFailed}},
        {{{"cudaFreeAsync", cudaErrorInvalidValue}},
         {"cudaFreeAsync"},
         {"Failed to release CUDA memory object! error = 1"}},
    };
    void* const p = reinterpret_cast<void*>(0xd00d);
    for (const Case& c : frees) {
        start(c.scripts);
        CUDA::FreeBuffer(kStream, p);
        EXPECT_EQ(fakecuda::callNames(), c.calls);
        EXPECT_EQ(fakecuda::log(), c.log);
        EXPECT_EQ(fakecuda::calls().back().ptr, p);
        EXPECT_EQ(fakecuda::calls()[0].stream, kStream);
    }

    // Without host data nothing is copied and nothing waited for.
    start({});
    EXPECT_NE(CUDA::AllocBuffer(kStream, 64, nullptr), nullptr);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync"}));

    // WriteBuffer: both steps always run, both failures reported in order.
    start({{"cudaMemcpyAsync", cudaErrorInvalidValue},
           {"cudaStreamSynchronize", cudaErrorLaunchFailure}});
    float device[4];
    CUDA::WriteBuffer(kStream, device, sizeof device, host);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMemcpyAsync", "cudaStreamSynchronize"}));
    EXPECT_EQ(fakecuda::calls()[0].kind, cudaMemcpyHostToDevice);
    EXPECT_EQ(fakecuda::calls()[1].stream, kStream);
    EXPECT_EQ(fakecuda::log(), (Names{kCopyFailed, kSyncFailed}));
}

TEST_F(CudaFake, CheckErrorReportsAndClearsTheLastError)
{
    CUDA::CheckError("Process3DLUT");
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaDeviceSynchronize", "cudaGetLastError"}));
    EXPECT_TRUE(fakecuda::log().empty());

    // An error left by an earlier, unrelated call surfaces under the kernel's name, once.
    float device[1];
    const float host[1] = {};
    start({{"cudaMemcpyAsync", cudaErrorIllegalAddress}});
    CUDA::WriteBuffer(kStream, device, sizeof device, host);
    CUDA::CheckError("Process3DLUT");
    CUDA::CheckError("Process3DLUT");
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to copy from host to CUDA memory! error = 700",
                                      "Failed to run Process3DLUT kernel! error = 700"}));
}

TEST_F(CudaFake, LookLaunchUploadsRunsWaitsAndReleasesInOrderAddressingTheWindow)
{
    const int n = 3;
    const auto lut = rampLut(n);
    std::vector<float> src(4 * 70 * 2), dst(4 * 70 * 2);
    g_look = LookArgs();
    fakecuda::onLaunch(captureLookArgs);
    EXPECT_TRUE(runLook(70, 2, lut.data(), n, src.data(), dst.data(), 0.25f).ok());

    EXPECT_EQ(
        fakecuda::callNames(),
        (Names{"cudaMallocAsync", "cudaMemcpyAsync", "cudaStreamSynchronize", "cudaLaunchKernel",
               "cudaDeviceSynchronize", "cudaGetLastError", "cudaFreeAsync"}));
    EXPECT_TRUE(fakecuda::log().empty());
    const auto& calls = fakecuda::calls();
    EXPECT_EQ(calls[0].bytes, 27u * 12u);
    EXPECT_EQ(calls[1].ptr, calls[0].ptr);
    EXPECT_EQ(calls[3].kernel, kKernel);
    EXPECT_EQ(calls[6].ptr, calls[0].ptr);
    for (const auto& call : calls) {
        if (call.name != "cudaDeviceSynchronize" && call.name != "cudaGetLastError") {
            EXPECT_EQ(call.stream, kStream) << call.name;
        }
    }

    // Arguments in the kernel's parameter order, the LUT being the uploaded copy.
    EXPECT_EQ(g_look.src, src.data());
    EXPECT_EQ(g_look.dst, dst.data());
    EXPECT_EQ(g_look.lut, calls[0].ptr);
    EXPECT_EQ(g_look.lutSize, n);
    EXPECT_EQ(g_look.mix, 0.25f);
    EXPECT_EQ(g_look.srcPitch, 70);
    ASSERT_EQ(g_look.lutContents.size(), 3u * 27u);
    EXPECT_EQ(std::memcmp(g_look.lutContents.data(), lut.data(), 27 * 12), 0);

    // A window of padded images of different widths, the source's rows going
    // down in memory: the kernel gets the window's first pixel and each
    // image's pitch, in pixels.
    alignas(16) static float image[4 * 64 * 8], output[4 * 64 * 8];
    fakecuda::reset();
    fakecuda::onLaunch(captureLookArgs);
    GpuLookWindow window;
    window.width = 7;
    window.height = 5;
    window.src = {70, -10};
    window.dst = {62, 9};
    ASSERT_TRUE(CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, window, 1.0f, lut.data(), n,
                                    image, output)
                    .ok());
    EXPECT_EQ(g_look.src, image + 4 * 70);
    EXPECT_EQ(g_look.dst, output + 4 * 62);
    EXPECT_EQ(g_look.srcPitch, -10);
    EXPECT_EQ(g_look.dstPitch, 9);
    EXPECT_EQ(g_look.width, 7);
    EXPECT_EQ(g_look.height, 5);
}

TEST_F(CudaFake, LookLaunchFailuresNameTheStep)
{
    const auto lut = rampLut(2);
    alignas(16) static float src[4 * 7 * 5], dst[4 * 7 * 5];

    // What cannot be run is refused before the device is touched, with one line
    // logged: no LUT, a lattice too large to index safely, images a float4
    // kernel cannot address.
    const char* const kLut = "checking the LUT";
    const char* const kImages = "checking the images";
    const struct {
        const zelk_vec3<float>* lut;
        int lutSize;
        const float* src;
        float* dst;
        int srcPitch;
        const char* step;
        int error;
    } refused[] = {
        {nullptr, 2, src, dst, 7, kLut, cudaErrorInvalidValue},
        {lut.data(), 257, src, dst, 7, kLut, cudaErrorInvalidValue},
        {lut.data(), 2, src + 1, dst, 7, kImages, cudaErrorMisalignedAddress},
        {lut.data(), 2, src, dst + 2, 7, kImages, cudaErrorMisalignedAddress},
        {lut.data(), 2, nullptr, dst, 7, kImages, cudaErrorInvalidValue},
        {lut.data(), 2, src, dst, 6, kImages, cudaErrorInvalidPitchValue},
        {lut.data(), 2, src, dst, -6, kImages, cudaErrorInvalidPitchValue},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(testing::Message()
                     << r.step << ", LUT size " << r.lutSize << ", pitch " << r.srcPitch);
        fakecuda::reset();
        GpuLookWindow window = GpuLookWindow::packed(7, 5);
        window.src.pitch = r.srcPitch;
        const GpuLaunchResult result = CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, window,
                                                           1.0f, r.lut, r.lutSize, r.src, r.dst);
        EXPECT_STREQ(result.failedStep, r.step);
        EXPECT_EQ(result.error, r.error);
        EXPECT_TRUE(fakecuda::calls().empty());
        EXPECT_EQ(fakecuda::log().size(), 1u);
    }

    // A LUT the device cannot take, or a failing kernel: the runtime's code.
    start({{"cudaMallocAsync", cudaErrorMemoryAllocation}});
    GpuLaunchResult result = runLook(1, 1, lut.data(), 2, src, dst);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync", "cudaGetLastError"}));
    EXPECT_EQ(fakecuda::log(), (Names{kAllocFailed}));
    EXPECT_STREQ(result.failedStep, "uploading the LUT");
    EXPECT_EQ(result.error, cudaErrorMemoryAllocation);

    start({{"cudaDeviceSynchronize", cudaErrorIllegalAddress}});
    result = runLook(1, 1, lut.data(), 2, src, dst);
    EXPECT_STREQ(result.failedStep, "running the look kernel");
    EXPECT_EQ(result.error, cudaErrorIllegalAddress);
    EXPECT_EQ(fakecuda::callNames().back(), "cudaFreeAsync");
}

TEST_F(CudaFake, LaunchGridOfBlocksOf64AndEmptyFramesRefused)
{
    const auto lut = rampLut(2);
    alignas(16) float pixels[4] = {};
    const struct {
        int width, height;
        unsigned columns;
    } cases[] = {{64, 7, 1}, {65, 7, 2}, {0, 5, 0}, {5, 0, 1}, {-3, 5, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        fakecuda::reset();
        const GpuLaunchResult result = runLook(c.width, c.height, lut.data(), 2, pixels, pixels);
        const auto& launch = fakecuda::calls().at(3);
        ASSERT_EQ(launch.name, "cudaLaunchKernel");
        EXPECT_EQ(launch.grid.x, c.columns);
        EXPECT_EQ(launch.grid.y, unsigned(std::max(c.height, 0)));
        EXPECT_EQ(launch.grid.z, 1u);
        EXPECT_EQ(launch.block.x, 64u);
        EXPECT_EQ(launch.block.y * launch.block.z, 1u);
        // A refused launch is logged with the runtime's code and the LUT still released.
        const bool empty = c.width <= 0 || c.height <= 0;
        EXPECT_EQ(fakecuda::log(),
                  empty ? Names{"Failed to run Process3DLUT kernel! error = 9"} : Names{});
        EXPECT_EQ(result.ok(), !empty);
        EXPECT_EQ(fakecuda::callNames().back(), "cudaFreeAsync");
    }
}

} // namespace
