// The look kernel against the CPU path, pixel by pixel.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ClTestDevice.h"
#include "LookTestData.h"
#include "LutMath.h"
#include "OpenClLibrary.h"
#include "OpenClPrograms.h"
#include "RecordingLog.h"

using namespace looktest;

namespace {

constexpr float kSentinel = -7.25f;
constexpr size_t kGuardPixels = 64; // past the image: must stay untouched

struct DeviceResult {
    Pixels image;
    bool guardIntact;
};

DeviceResult render_on_device(const Lut& lut, int n, float mix, const Pixels& src, int width,
                              int height, cl_command_queue queue = nullptr)
{
    ClTestDevice& device = ClTestDevice::get();
    if (!queue)
        queue = device.queue();
    const size_t floats = static_cast<size_t>(width) * height * 4;
    ClBuffer srcBuffer(device.upload(src));
    ClBuffer dstBuffer(device.filled(floats + kGuardPixels * 4, kSentinel));
    RunOpenClKernel3DLUT(queue, width, height, mix, lut.data(), n, srcBuffer.asFloats(),
                         dstBuffer.asFloats());
    Pixels all = device.download(dstBuffer.get(), floats + kGuardPixels * 4, queue);
    DeviceResult result{Pixels(all.begin(), all.begin() + static_cast<long>(floats)), true};
    for (size_t i = floats; i < all.size(); ++i)
        result.guardIntact = result.guardIntact && all[i] == kSentinel;
    return result;
}

void expect_matches_cpu(const Lut& lut, int n, float mix, const Pixels& src, int width, int height)
{
    const DeviceResult gpu = render_on_device(lut, n, mix, src, width, height);
    // Exactly the device rule, and within a rounding of the CPU path's blend.
    EXPECT_EQ(compareWithinUlp(fusedLook(lut, n, mix, src), gpu.image, 0), "")
        << "N=" << n << " mix=" << mix << " " << width << "x" << height;
    EXPECT_EQ(compareAsFusedBlend(lut, n, mix, src, cpuLook(lut, n, mix, src), gpu.image), "")
        << "N=" << n << " mix=" << mix << " " << width << "x" << height;
    EXPECT_TRUE(gpu.guardIntact) << "written past the image";
}

// The lattice cell, corners and weights as the device computes them.
struct DeviceTetra {
    std::vector<int> corners;
    std::vector<float> weights;
};

DeviceTetra probe_tetra_on_device(const Pixels& src, int n)
{
    // The LUT program's own text plus a kernel that reports its set-up step.
    static const std::string probeProgram =
        std::string(OpenClPrograms::Process3DLUT) +
        "__kernel void ProbeTetra(__global const float4* src, __global int* corners,\n"
        "                         __global float* weights, int count, int lutSize)\n"
        "{\n"
        "    const int i = (int)get_global_id(0);\n"
        "    if (i >= count)\n"
        "        return;\n"
        "    const float4 s = src[i];\n"
        "    const ZelkTetra t = zelk_tetra_setup(s.x, s.y, s.z, lutSize);\n"
        "    for (int k = 0; k < 4; ++k) {\n"
        "        corners[4 * i + k] = t.corner[k];\n"
        "        weights[4 * i + k] = t.weight[k];\n"
        "    }\n"
        "}\n";
    ClTestDevice& device = ClTestDevice::get();
    const OpenCl::Api& cl = device.cl();
    auto kernel = static_cast<cl_kernel>(
        OpenCl::LookupKernel(device.queue(), probeProgram.c_str(), "ProbeTetra"));
    if (!kernel) {
        ADD_FAILURE() << "probe kernel did not build";
        return {};
    }
    const int count = static_cast<int>(src.size() / 4);
    ClBuffer srcBuffer(device.upload(src));
    ClBuffer corners(device.filled(src.size(), 0.0f));
    ClBuffer weights(device.filled(src.size(), 0.0f));
    cl_mem args[3] = {srcBuffer.get(), corners.get(), weights.get()};
    for (cl_uint i = 0; i < 3; ++i)
        cl.clSetKernelArg(kernel, i, sizeof(cl_mem), &args[i]);
    cl.clSetKernelArg(kernel, 3, sizeof(int), &count);
    cl.clSetKernelArg(kernel, 4, sizeof(int), &n);
    const size_t global = static_cast<size_t>(count);
    EXPECT_EQ(cl.clEnqueueNDRangeKernel(device.queue(), kernel, 1, nullptr, &global, nullptr, 0,
                                        nullptr, nullptr),
              CL_SUCCESS);
    DeviceTetra result;
    const std::vector<float> cornerBits = device.download(corners.get(), src.size());
    result.corners.resize(cornerBits.size());
    std::memcpy(result.corners.data(), cornerBits.data(), cornerBits.size() * sizeof(float));
    result.weights = device.download(weights.get(), src.size());
    return result;
}

} // namespace

TEST(OpenClLookKernel, MatchesCpuOnChartAndLopsidedLuts)
{
    ZELK_REQUIRE_OPENCL();
    const int width = 131, height = 9; // not a multiple of the 64-wide work-groups
    for (int n : {2, 7, 33}) {
        const Pixels src = chart(width, height, n);
        for (float mix : {0.0f, 0.37f, 1.0f}) {
            expect_matches_cpu(twistedLut(n), n, mix, src, width, height);
            expect_matches_cpu(redOnlyLut(n), n, mix, src, width, height);
            expect_matches_cpu(bizarreLut(n), n, mix, src, width, height);
        }
    }
}

TEST(OpenClLookKernel, MatchesCpuOnWideRampWithNanAndInfinity)
{
    ZELK_REQUIRE_OPENCL();
    const int width = 300, height = 4;
    const Pixels src = wideRamp(width, height);
    for (int n : {1, 2, 17, 65})
        for (float mix : {0.0f, 0.5f, 1.0f})
            expect_matches_cpu(bizarreLut(n), n, mix, src, width, height);

    // Spot checks that do not lean on the CPU code: out-of-range input is looked
    // up clamped but blended unclamped, NaN passes through the blend.
    const int n = 5;
    const Lut lut = twistedLut(n);
    const Pixels odd = {2.0f, -1.0f, NAN, 0.25f};
    const DeviceResult gpu = render_on_device(lut, n, 0.5f, odd, 1, 1);
    const ZelkRgb clamped = zelk_tetrahedral(&lut[0].r, n, 1.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(gpu.image[0], 1.0f + 0.5f * clamped.r);
    EXPECT_FLOAT_EQ(gpu.image[1], -0.5f + 0.5f * clamped.g);
    EXPECT_TRUE(std::isnan(gpu.image[2]));
    EXPECT_EQ(gpu.image[3], 0.25f);
}

TEST(OpenClLookKernel, DeviceTakesTheSameCellCornersAndWeights)
{
    ZELK_REQUIRE_OPENCL();
    Pixels src = wideRamp(257, 3);
    const Pixels more = chart(97, 5, 33);
    src.insert(src.end(), more.begin(), more.end());
    for (int n : {2, 33, 65}) {
        const DeviceTetra gpu = probe_tetra_on_device(src, n);
        ASSERT_EQ(gpu.corners.size(), src.size());
        int mismatches = 0;
        for (size_t p = 0; p < src.size() / 4 && mismatches < 5; ++p) {
            const ZelkTetra cpu = zelk_tetra_setup(src[p * 4], src[p * 4 + 1], src[p * 4 + 2], n);
            for (int k = 0; k < 4; ++k) {
                // Bitwise equal: nothing may be contracted on either side.
                if (gpu.corners[p * 4 + k] != cpu.corner[k] ||
                    ulpDistance(gpu.weights[p * 4 + k], cpu.weight[k]) != 0) {
                    ADD_FAILURE() << "N=" << n << " pixel " << p << " corner " << k << ": device "
                                  << gpu.corners[p * 4 + k] << "/" << gpu.weights[p * 4 + k]
                                  << ", CPU " << cpu.corner[k] << "/" << cpu.weight[k];
                    ++mismatches;
                }
            }
        }
    }
}

TEST(OpenClLookKernel, WritesEveryPixelOfOddAndEvenWidthsAndNothingBeyond)
{
    ZELK_REQUIRE_OPENCL();
    const int n = 17;
    // 1000 leaves 24 idle work-items per row; 1920 fills the groups exactly.
    for (int width : {1000, 1920}) {
        const Pixels src = chart(width, 3, n);
        expect_matches_cpu(twistedLut(n), n, 0.8f, src, width, 3);
    }
}

TEST(OpenClLookKernel, EmptyImageWritesAndLogsNothing)
{
    ZELK_REQUIRE_OPENCL();
    const int n = 9;
    const Lut lut = twistedLut(n);
    const Pixels src = chart(8, 8, n);
    for (auto size : {std::pair<int, int>{0, 8}, {8, 0}, {0, 0}}) {
        RecordingLog::clear();
        ClTestDevice& device = ClTestDevice::get();
        ClBuffer srcBuffer(device.upload(src));
        ClBuffer dstBuffer(device.filled(src.size(), kSentinel));
        RunOpenClKernel3DLUT(device.queue(), size.first, size.second, 1.0f, lut.data(), n,
                             srcBuffer.asFloats(), dstBuffer.asFloats());
        const Pixels dst = device.download(dstBuffer.get(), src.size());
        EXPECT_EQ(dst, Pixels(src.size(), kSentinel)) << size.first << "x" << size.second;
        EXPECT_TRUE(RecordingLog::lines().empty()) << RecordingLog::lines().front();
    }
}

TEST(OpenClLookKernel, RefusesBuffersAndLutsItCannotUseSafely)
{
    ZELK_REQUIRE_OPENCL();
    ClTestDevice& device = ClTestDevice::get();
    const int n = 5, width = 16, height = 4;
    const Lut lut = twistedLut(n);
    const Pixels src = chart(width, height, n);
    ClBuffer srcBuffer(device.upload(src));
    ClBuffer shortSrc(device.upload(Pixels(src.begin(), src.end() - 4)));
    ClBuffer dstBuffer(device.filled(src.size(), kSentinel));

    struct Case {
        const char* what;
        const zelk_vec3<float>* lut;
        int lutSize;
        float* src;
        float* dst;
        const char* logged;
    };
    const Case cases[] = {
        {"short source", lut.data(), n, shortSrc.asFloats(), dstBuffer.asFloats(),
         "OpenCl image buffer of"},
        {"null source", lut.data(), n, nullptr, dstBuffer.asFloats(), "Missing OpenCl image"},
        {"null destination", lut.data(), n, srcBuffer.asFloats(), nullptr,
         "Missing OpenCl image"},
        {"null LUT", nullptr, n, srcBuffer.asFloats(), dstBuffer.asFloats(), "Invalid OpenCl LUT"},
        {"LUT size 0", lut.data(), 0, srcBuffer.asFloats(), dstBuffer.asFloats(),
         "Invalid OpenCl LUT"},
        {"LUT size past 1290", lut.data(), 1291, srcBuffer.asFloats(), dstBuffer.asFloats(),
         "Invalid OpenCl LUT"},
    };
    for (const Case& c : cases) {
        RecordingLog::clear();
        RunOpenClKernel3DLUT(device.queue(), width, height, 1.0f, c.lut, c.lutSize, c.src, c.dst);
        const Pixels dst = device.download(dstBuffer.get(), src.size());
        EXPECT_EQ(dst, Pixels(src.size(), kSentinel)) << c.what;
        const auto lines = RecordingLog::lines();
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0].rfind(c.logged, 0), 0u) << c.what << ": " << lines[0];
        EXPECT_NE(lines[0].find("error = "), std::string::npos) << lines[0];
    }
}
