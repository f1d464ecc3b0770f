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

void* const kStream = reinterpret_cast<void*>(0x5eed);
const int kKernelTag = 0; // stands in for a __global__ function's address
const void* const kKernel = &kKernelTag;

class CudaFake : public ::testing::Test {
protected:
    void SetUp() override { fakecuda::reset(); }
    void TearDown() override
    {
        fakecuda::onLaunch(nullptr);
        fakecuda::reset();
    }
};

// What the look launch handed the kernel, decoded in its parameter order.
struct LookArgs {
    const float* src;
    float* dst;
    const void* lut;
    int width;
    int height;
    int lutSize;
    float mix;
    std::vector<float> lutContents;
};
LookArgs g_look;

void capture_look_args(const fakecuda::Call& launch)
{
    void** a = launch.args;
    std::memcpy(&g_look.src, a[0], sizeof g_look.src);
    std::memcpy(&g_look.dst, a[1], sizeof g_look.dst);
    std::memcpy(&g_look.lut, a[2], sizeof g_look.lut);
    std::memcpy(&g_look.width, a[3], sizeof(int));
    std::memcpy(&g_look.height, a[4], sizeof(int));
    std::memcpy(&g_look.lutSize, a[5], sizeof(int));
    std::memcpy(&g_look.mix, a[6], sizeof(float));
    const size_t floats = 3u * g_look.lutSize * g_look.lutSize * g_look.lutSize;
    const float* lut = static_cast<const float*>(g_look.lut);
    g_look.lutContents.assign(lut, lut + (lut != nullptr ? floats : 0));
}

std::vector<zelk_vec3<float>> ramp_lut(int n)
{
    std::vector<zelk_vec3<float>> lut(static_cast<size_t>(n) * n * n);
    for (size_t i = 0; i < lut.size(); ++i) {
        lut[i] = {float(i), float(i) + 0.25f, -float(i)};
    }
    return lut;
}

TEST_F(CudaFake, AllocBufferUploadsAndSynchronises)
{
    const std::vector<float> host = {1.0f, 2.0f, 3.0f};
    void* p = CUDA::AllocBuffer(kStream, sizeof(float) * 3, host.data());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync", "cudaMemcpyAsync", "cudaStreamSynchronize"}));
    const auto& copy = fakecuda::calls()[1];
    EXPECT_EQ(copy.kind, cudaMemcpyHostToDevice);
    EXPECT_EQ(copy.stream, kStream);
    EXPECT_EQ(copy.ptr, p);
    EXPECT_EQ(std::memcmp(p, host.data(), sizeof(float) * 3), 0);
    EXPECT_EQ(fakecuda::calls()[2].stream, kStream);
    EXPECT_TRUE(fakecuda::log().empty());

    // Without host data nothing is copied and nothing waited for.
    fakecuda::reset();
    EXPECT_NE(CUDA::AllocBuffer(kStream, 64, nullptr), nullptr);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync"}));
    EXPECT_EQ(fakecuda::calls()[0].bytes, 64u);
}

TEST_F(CudaFake, AllocBufferFallsBackOnlyOnNotSupported)
{
    const float host[2] = {1.0f, 2.0f};
    fakecuda::script("cudaMallocAsync", cudaErrorNotSupported);
    EXPECT_NE(CUDA::AllocBuffer(kStream, sizeof host, host), nullptr);
    EXPECT_EQ(fakecuda::callNames(),
              (Names{"cudaMallocAsync", "cudaMalloc", "cudaMemcpyAsync", "cudaStreamSynchronize"}));
    EXPECT_EQ(fakecuda::calls()[1].bytes, sizeof host);
    EXPECT_TRUE(fakecuda::log().empty());

    // The fall-back fails too: its code is reported, no copy is attempted.
    fakecuda::reset();
    fakecuda::script("cudaMallocAsync", cudaErrorNotSupported);
    fakecuda::script("cudaMalloc", cudaErrorMemoryAllocation);
    EXPECT_EQ(CUDA::AllocBuffer(kStream, sizeof host, host), nullptr);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync", "cudaMalloc"}));
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to allocate CUDA memory! error = 2"}));

    // Any other error is final.
    fakecuda::reset();
    fakecuda::script("cudaMallocAsync", cudaErrorMemoryAllocation);
    EXPECT_EQ(CUDA::AllocBuffer(kStream, sizeof host, host), nullptr);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync"}));
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to allocate CUDA memory! error = 2"}));
}

TEST_F(CudaFake, FailedCopiesStillSynchroniseTheStream)
{
    const float host[4] = {};
    fakecuda::script("cudaMemcpyAsync", cudaErrorInvalidValue);
    EXPECT_NE(CUDA::AllocBuffer(kStream, sizeof host, host), nullptr);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync", "cudaMemcpyAsync", "cudaStreamSynchronize"}));
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to copy from host to CUDA memory! error = 1"}));

    fakecuda::reset();
    fakecuda::script("cudaStreamSynchronize", cudaErrorLaunchFailure);
    EXPECT_NE(CUDA::AllocBuffer(kStream, sizeof host, host), nullptr);
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to sync CUDA stream! error = 719"}));

    // WriteBuffer: the same two steps, both failures reported in order.
    fakecuda::reset();
    float device[4];
    fakecuda::script("cudaMemcpyAsync", cudaErrorInvalidValue);
    fakecuda::script("cudaStreamSynchronize", cudaErrorLaunchFailure);
    CUDA::WriteBuffer(kStream, device, sizeof device, host);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMemcpyAsync", "cudaStreamSynchronize"}));
    EXPECT_EQ(fakecuda::calls()[0].kind, cudaMemcpyHostToDevice);
    EXPECT_EQ(fakecuda::calls()[1].stream, kStream);
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to copy from host to CUDA memory! error = 1",
                                      "Failed to sync CUDA stream! error = 719"}));
}

TEST_F(CudaFake, FreeBufferFallsBackAfterWaitingForTheStream)
{
    void* p = CUDA::AllocBuffer(kStream, 16, nullptr);
    fakecuda::reset();
    CUDA::FreeBuffer(kStream, p);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaFreeAsync"}));
    EXPECT_EQ(fakecuda::calls()[0].stream, kStream);
    EXPECT_TRUE(fakecuda::log().empty());

    // 801: wait for queued work, then the synchronous release, even if the wait failed.
    fakecuda::reset();
    fakecuda::script("cudaFreeAsync", cudaErrorNotSupported);
    fakecuda::script("cudaStreamSynchronize", cudaErrorLaunchFailure);
    CUDA::FreeBuffer(kStream, p);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaFreeAsync", "cudaStreamSynchronize", "cudaFree"}));
    EXPECT_EQ(fakecuda::calls()[2].ptr, p);
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to sync CUDA stream! error = 719"}));

    // The error of the release made last is the one reported.
    fakecuda::reset();
    fakecuda::script("cudaFreeAsync", cudaErrorNotSupported);
    fakecuda::script("cudaFree", cudaErrorInvalidValue);
    CUDA::FreeBuffer(kStream, p);
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to release CUDA memory object! error = 1"}));

    fakecuda::reset();
    fakecuda::script("cudaFreeAsync", cudaErrorInvalidValue);
    CUDA::FreeBuffer(kStream, p);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaFreeAsync"}));
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to release CUDA memory object! error = 1"}));
}

TEST_F(CudaFake, CheckErrorReportsAndClearsTheLastError)
{
    CUDA::CheckError("Process3DLUT");
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaDeviceSynchronize", "cudaGetLastError"}));
    EXPECT_TRUE(fakecuda::log().empty());

    // An error left by an earlier, unrelated call surfaces under the kernel's name, once.
    float device[1];
    const float host[1] = {};
    fakecuda::script("cudaMemcpyAsync", cudaErrorIllegalAddress);
    CUDA::WriteBuffer(kStream, device, sizeof device, host);
    CUDA::CheckError("Process3DLUT");
    CUDA::CheckError("Process3DLUT");
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to copy from host to CUDA memory! error = 700",
                                      "Failed to run Process3DLUT kernel! error = 700"}));
}

TEST_F(CudaFake, LookLaunchUploadsRunsWaitsAndReleasesInOrder)
{
    const int n = 3;
    const auto lut = ramp_lut(n);
    std::vector<float> src(4 * 70 * 2), dst(4 * 70 * 2);
    g_look = LookArgs();
    fakecuda::onLaunch(capture_look_args);
    CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, 70, 2, 0.25f, lut.data(), n, src.data(),
                        dst.data());

    EXPECT_EQ(fakecuda::callNames(),
              (Names{"cudaMallocAsync", "cudaMemcpyAsync", "cudaStreamSynchronize", "cudaLaunchKernel",
                     "cudaDeviceSynchronize", "cudaGetLastError", "cudaFreeAsync"}));
    EXPECT_TRUE(fakecuda::log().empty());
    const auto& calls = fakecuda::calls();
    EXPECT_EQ(calls[0].bytes, 27u * 12u);
    const fakecuda::Call& launch = calls[3];
    EXPECT_EQ(launch.kernel, kKernel);
    EXPECT_EQ(launch.stream, kStream);
    EXPECT_EQ(launch.sharedMem, 0u);
    EXPECT_EQ(calls[6].ptr, calls[0].ptr);

    // Arguments in the kernel's parameter order, the LUT being the uploaded copy.
    EXPECT_EQ(g_look.src, src.data());
    EXPECT_EQ(g_look.dst, dst.data());
    EXPECT_EQ(g_look.lut, calls[0].ptr);
    EXPECT_EQ(g_look.width, 70);
    EXPECT_EQ(g_look.height, 2);
    EXPECT_EQ(g_look.lutSize, n);
    EXPECT_EQ(g_look.mix, 0.25f);
    ASSERT_EQ(g_look.lutContents.size(), 3u * 27u);
    EXPECT_EQ(std::memcmp(g_look.lutContents.data(), lut.data(), 27 * 12), 0);
}

TEST_F(CudaFake, LookLaunchNeverRunsWithoutALut)
{
    const auto lut = ramp_lut(2);
    float pixels[4] = {};
    fakecuda::script("cudaMallocAsync", cudaErrorMemoryAllocation);
    CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, 1, 1, 1.0f, lut.data(), 2, pixels, pixels);
    EXPECT_EQ(fakecuda::callNames(), (Names{"cudaMallocAsync"}));
    EXPECT_EQ(fakecuda::log(), (Names{"Failed to allocate CUDA memory! error = 2"}));

    // Nothing to upload: refused before touching the device.
    fakecuda::reset();
    CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, 1, 1, 1.0f, nullptr, 2, pixels, pixels);
    CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, 1, 1, 1.0f, lut.data(), 0, pixels, pixels);
    EXPECT_TRUE(fakecuda::calls().empty());
    EXPECT_EQ(fakecuda::log().size(), 2u);
}

TEST_F(CudaFake, LaunchGridCoversEveryPixelWithBlocksOf64)
{
    const auto lut = ramp_lut(2);
    float pixels[4] = {};
    const struct {
        int width;
        unsigned columns;
    } cases[] = {{1, 1}, {64, 1}, {65, 2}, {1000, 16}, {1920, 30}};
    for (const auto& c : cases) {
        fakecuda::reset();
        CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, c.width, 7, 1.0f, lut.data(), 2, pixels,
                            pixels);
        const auto& launch = fakecuda::calls().at(3);
        ASSERT_EQ(launch.name, "cudaLaunchKernel");
        EXPECT_EQ(launch.grid.x, c.columns) << "width " << c.width;
        EXPECT_EQ(launch.grid.y, 7u);
        EXPECT_EQ(launch.grid.z, 1u);
        EXPECT_EQ(launch.block.x, 64u);
        EXPECT_EQ(launch.block.y, 1u);
        EXPECT_EQ(launch.block.z, 1u);
        EXPECT_GE(launch.grid.x * launch.block.x, unsigned(c.width));
        EXPECT_LT(launch.grid.x * launch.block.x, unsigned(c.width) + 64u);
    }
}

TEST_F(CudaFake, EmptyFrameIsRefusedLoggedAndStillCleanedUp)
{
    const auto lut = ramp_lut(2);
    float pixels[4] = {};
    const int sizes[][2] = {{0, 5}, {5, 0}, {-3, 5}};
    for (const auto& s : sizes) {
        fakecuda::reset();
        CUDA::RunLookKernel(kKernel, "Process3DLUT", kStream, s[0], s[1], 1.0f, lut.data(), 2, pixels,
                            pixels);
        EXPECT_EQ(fakecuda::calls().at(3).result, cudaErrorInvalidConfiguration);
        EXPECT_EQ(fakecuda::callNames().back(), "cudaFreeAsync") << s[0] << "x" << s[1];
        EXPECT_EQ(fakecuda::log(), (Names{"Failed to run Process3DLUT kernel! error = 9"}))
            << s[0] << "x" << s[1];
    }
}

} // namespace
