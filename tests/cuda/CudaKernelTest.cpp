// The kernels on a real device, called through their launchers: the look kernel
// against the same pixel rule compiled for the host, every pixel written once
// and nothing past the frame; the planar conversions.
#include <gtest/gtest.h>

#include <cuda_runtime_api.h>

#include <cstring>
#include <vector>

#include "CudaKernels.h"
#include "CudaTestSupport.h"
#include "LutMath.h"

namespace {

using namespace zelk_cuda_test;

// Device copy of a float vector, freed at the end of the test.
class DeviceFloats {
public:
    explicit DeviceFloats(const std::vector<float>& host) : m_count(host.size())
    {
        EXPECT_EQ(cudaMalloc(&m_ptr, bytes()), cudaSuccess);
        EXPECT_EQ(cudaMemcpy(m_ptr, host.data(), bytes(), cudaMemcpyHostToDevice), cudaSuccess);
    }
    // `count` samples marked unwritten.
    explicit DeviceFloats(size_t count) : DeviceFloats(std::vector<float>(count, unwritten())) {}
    ~DeviceFloats() { cudaFree(m_ptr); }
    DeviceFloats(const DeviceFloats&) = delete;
    DeviceFloats& operator=(const DeviceFloats&) = delete;

    float* get() const { return static_cast<float*>(m_ptr); }
    std::vector<float> read() const
    {
        std::vector<float> host(m_count);
        EXPECT_EQ(cudaMemcpy(host.data(), m_ptr, bytes(), cudaMemcpyDeviceToHost), cudaSuccess);
        return host;
    }

private:
    size_t bytes() const { return m_count * sizeof(float); }
    void* m_ptr = nullptr;
    size_t m_count;
};

class Stream {
public:
    Stream() { EXPECT_EQ(cudaStreamCreate(&m_stream), cudaSuccess); }
    ~Stream() { cudaStreamDestroy(m_stream); }
    void* get() const { return m_stream; }

private:
    cudaStream_t m_stream = nullptr;
};

TEST(CudaKernel, LookKernelMatchesTheHostRuleAndStaysInsideTheFrame)
{
    ZELK_REQUIRE_CUDA();
    Stream stream;
    for (int n : {18, 33}) {
        const std::vector<float> lut = testLut(n);
        for (int width : {1, 63, 65, 1000}) {
            const int height = 3;
            const size_t pixels = size_t(width) * height;
            const std::vector<float> frame = testFrame(width, height);
            DeviceFloats src(frame);
            // One spare block of marked pixels after the frame catches stray writes.
            DeviceFloats dst((pixels + 64) * 4);

            RunCudaKernel3DLUT(stream.get(), width, height, 0.3f,
                               reinterpret_cast<const zelk_vec3<float>*>(lut.data()), n, src.get(),
                               dst.get());
            const std::vector<float> out = dst.read();

            std::vector<float> expected(frame.size());
            for (size_t i = 0; i < pixels; ++i) {
                const float* s = &frame[4 * i];
                const ZelkRgba d = zelk_look_pixel_gpu(lut.data(), n, 0.3f, s[0], s[1], s[2], s[3]);
                std::memcpy(&expected[4 * i], &d, sizeof d);
            }
            const FrameDiff diff = compareFrames(
                expected, std::vector<float>(out.begin(), out.begin() + 4 * pixels), 0);
            EXPECT_EQ(diff.mismatches, 0)
                << "N " << n << " width " << width << ": sample " << diff.firstIndex << " is "
                << diff.actual << ", expected " << diff.expected;
            for (size_t i = 4 * pixels; i < out.size(); ++i) {
                ASSERT_TRUE(isUnwritten(out[i])) << "write past the frame, width " << width;
            }
        }
    }
}

TEST(CudaKernel, PlanarConversionsRoundTrip)
{
    ZELK_REQUIRE_CUDA();
    Stream stream;
    const int width = 130, height = 5;
    const size_t pixels = size_t(width) * height;
    const std::vector<float> frame = testFrame(width, height);
    DeviceFloats rgba(frame);
    DeviceFloats r(pixels), g(pixels), b(pixels);
    float* const planes[3] = {r.get(), g.get(), b.get()};
    RunCudaKernelConvertToPlanar(stream.get(), width, height, 0, rgba.get(), planes);

    DeviceFloats opaque(pixels * 4), withAlpha(pixels * 4);
    const float* const in[3] = {r.get(), g.get(), b.get()};
    RunCudaKernelConvertFromPlanar(stream.get(), width, height, 0, in, opaque.get());
    RunCudaKernelConvertFromPlanarAlpha(stream.get(), width, height, 0, in, withAlpha.get(),
                                        rgba.get());
    ASSERT_EQ(cudaStreamSynchronize(static_cast<cudaStream_t>(stream.get())), cudaSuccess);

    const std::vector<float> red = r.read(), roundTrip = withAlpha.read(), ones = opaque.read();
    std::vector<float> expectedOpaque = frame;
    for (size_t i = 0; i < pixels; ++i) {
        ASSERT_EQ(std::memcmp(&red[i], &frame[4 * i], sizeof(float)), 0) << "red plane " << i;
        expectedOpaque[4 * i + 3] = 1.0f;
    }
    EXPECT_EQ(std::memcmp(roundTrip.data(), frame.data(), frame.size() * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(ones.data(), expectedOpaque.data(), frame.size() * sizeof(float)), 0);
}

} // namespace
