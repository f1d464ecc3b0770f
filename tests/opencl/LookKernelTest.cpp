// The look kernel through its launcher, against the CPU arithmetic.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "LutMath.h"
#include "OpenClLibrary.h"
#include "OpenClPrograms.h"
#include "OpenClTestKit.h"

using namespace kit;

namespace {

constexpr float kSentinel = -7.25f;
constexpr size_t kGuard = 256; // floats past the image that must stay untouched

void expect_device_rule(const Lut& lut, int n, float mix, const Pixels& src, int width, int height)
{
    Buffer in(src);
    Buffer out(src.size() + kGuard, kSentinel);
    RunOpenClKernel3DLUT(queue(), width, height, mix, lut.data(), n, in.handle(), out.handle());
    Pixels got = out.read();
    EXPECT_EQ(Pixels(got.end() - kGuard, got.end()), Pixels(kGuard, kSentinel)) << "overrun";
    got.resize(src.size());
    const std::string where = "N=" + std::to_string(n) + " mix=" + std::to_string(mix) + " " +
                              std::to_string(width) + "x" + std::to_string(height);
    EXPECT_EQ(differences(deviceLook(lut, n, mix, src), got), "") << where;
    EXPECT_EQ(differences(cpuLook(lut, n, mix, src), got, &src, mix), "") << where;
}

} // namespace

TEST(OpenClLookKernel, MatchesTheCpuOnChartsRampsAndLopsidedLuts)
{
    ZELK_REQUIRE_OPENCL();
    for (int n : {1, 2, 7, 33, 65})
        for (float mix : {0.0f, 0.37f, 1.0f}) {
            expect_device_rule(redOnlyLut(n), n, mix, chart(131, 5, n), 131, 5);
            expect_device_rule(bizarreLut(n), n, mix, chart(131, 5, n), 131, 5);
            expect_device_rule(bizarreLut(n), n, mix, wideRamp(300, 2), 300, 2);
        }
    // 1000 leaves 24 idle work-items per row; 1920 fills the work-groups exactly.
    for (int width : {1000, 1920})
        expect_device_rule(bizarreLut(17), 17, 0.8f, chart(width, 3, 17), width, 3);
}

TEST(OpenClLookKernel, TakesTheCpuLatticeCellCornersAndWeights)
{
    ZELK_REQUIRE_OPENCL();
    // The LUT program's own text plus a kernel that reports its set-up step.
    const std::string probe = std::string(OpenClPrograms::Process3DLUT) + R"(
__kernel void ProbeTetra(__global const float4* src, __global float4* weights,
                         __global int4* corners, int lutSize)
{
    const int i = (int)get_global_id(0);
    const ZelkTetra t = zelk_tetra_setup(src[i].x, src[i].y, src[i].z, lutSize);
    weights[i] = (float4)(t.weight[0], t.weight[1], t.weight[2], t.weight[3]);
    corners[i] = (int4)(t.corner[0], t.corner[1], t.corner[2], t.corner[3]);
})";
    auto kernel =
        static_cast<cl_kernel>(OpenCl::LookupKernel(queue(), probe.c_str(), "ProbeTetra"));
    ASSERT_NE(kernel, nullptr);
    Pixels src = wideRamp(257, 3);
    const Pixels more = chart(97, 5, 33);
    src.insert(src.end(), more.begin(), more.end());
    for (int n : {2, 33, 65}) {
        Buffer in(src), weights(src.size(), 0.0f), corners(src.size(), 0.0f);
        const cl_mem args[3] = {in.mem(), weights.mem(), corners.mem()};
        for (cl_uint a = 0; a < 3; ++a)
            cl().clSetKernelArg(kernel, a, sizeof(cl_mem), &args[a]);
        cl().clSetKernelArg(kernel, 3, sizeof(int), &n);
        const size_t pixels = src.size() / 4;
        ASSERT_EQ(cl().clEnqueueNDRangeKernel(queue(), kernel, 1, nullptr, &pixels, nullptr, 0,
                                              nullptr, nullptr),
                  CL_SUCCESS);
        Pixels want(src.size()), wantCorners(src.size());
        for (size_t p = 0; p < pixels; ++p) {
            const ZelkTetra t = zelk_tetra_setup(src[p * 4], src[p * 4 + 1], src[p * 4 + 2], n);
            std::memcpy(&want[p * 4], t.weight, sizeof t.weight);
            std::memcpy(&wantCorners[p * 4], t.corner, sizeof t.corner); // compared as bits
        }
        // Bit for bit: nothing may be contracted on either side.
        EXPECT_EQ(differences(want, weights.read()), "") << "weights, N=" << n;
        EXPECT_EQ(differences(wantCorners, corners.read()), "") << "corners, N=" << n;
    }
}

TEST(OpenClLookKernel, EmptyOrUnsafeInputsWriteNothing)
{
    ZELK_REQUIRE_OPENCL();
    const int n = 5, width = 16, height = 4;
    const Lut lut = bizarreLut(n);
    const Pixels src = chart(width, height, n);
    Buffer in(src), shortIn(Pixels(src.begin(), src.end() - 4)), out(src.size(), kSentinel);
    struct Case {
        int width, height, lutSize;
        const zelk_vec3<float>* lut;
        float *src, *dst;
        const char* logged; // the one line expected; "" for none
    } cases[] = {
        {0, height, n, lut.data(), in.handle(), out.handle(), ""},
        {width, 0, n, lut.data(), in.handle(), out.handle(), ""},
        {width, height, n, lut.data(), shortIn.handle(), out.handle(), "OpenCl image buffer of"},
        {width, height, n, lut.data(), nullptr, out.handle(), "Missing OpenCl image buffer"},
        {width, height, n, lut.data(), in.handle(), nullptr, "Missing OpenCl image buffer"},
        {width, height, n, nullptr, in.handle(), out.handle(), "Invalid OpenCl LUT"},
        {width, height, 257, lut.data(), in.handle(), out.handle(), "Invalid OpenCl LUT"},
    };
    for (const Case& c : cases) {
        clearLog();
        RunOpenClKernel3DLUT(queue(), c.width, c.height, 1.0f, c.lut, c.lutSize, c.src, c.dst);
        EXPECT_EQ(out.read(), Pixels(src.size(), kSentinel)) << c.logged;
        const auto lines = logLines();
        if (*c.logged == '\0') {
            EXPECT_TRUE(lines.empty()) << lines.front();
        } else {
            ASSERT_EQ(lines.size(), 1u) << c.logged;
            EXPECT_EQ(lines[0].rfind(c.logged, 0), 0u) << lines[0];
            EXPECT_NE(lines[0].find("error = "), std::string::npos) << lines[0];
        }
    }
}

TEST(OpenClLookKernel, AddressesAWindowAnywhereInImagesOfAnyPitch)
{
    ZELK_REQUIRE_OPENCL();
    const int n = 21;
    const float mix = 0.7f;
    const Lut lut = bizarreLut(n);
    // A 37 x 4 window at (5, 3) of a source 73 pixels a row, written at (2, 1) of a
    // destination 45 a row: every pixel outside it, padding included, stays.
    const int srcPitch = 73, dstPitch = 45, dstRows = 6;
    const Pixels src = wideRamp(srcPitch, 9);
    Buffer in(src), out(size_t(dstPitch) * dstRows * 4, kSentinel);
    GpuLookWindow window;
    window.width = 37;
    window.height = 4;
    window.src = {3 * srcPitch + 5, srcPitch};
    window.dst = {1 * dstPitch + 2, dstPitch};
    ASSERT_TRUE(
        RunOpenClKernel3DLUT(queue(), window, mix, lut.data(), n, in.handle(), out.handle()).ok());

    Pixels inWindow;
    for (int y = 0; y < window.height; ++y) {
        const auto row = src.begin() + (window.src.first + y * srcPitch) * 4;
        inWindow.insert(inWindow.end(), row, row + window.width * 4);
    }
    const Pixels looked = deviceLook(lut, n, mix, inWindow);
    Pixels want(size_t(dstPitch) * dstRows * 4, kSentinel);
    for (int y = 0; y < window.height; ++y)
        std::copy_n(looked.begin() + y * window.width * 4, window.width * 4,
                    want.begin() + (window.dst.first + y * dstPitch) * 4);
    EXPECT_EQ(differences(want, out.read()), "");

    // What a buffer cannot hold is refused whole, with the reason in the log.
    Buffer untouched(size_t(dstPitch) * dstRows * 4, kSentinel);
    GpuLookWindow downward = window, tooClose = window, pastTheEnd = window;
    downward.src = {8 * srcPitch + 5, -srcPitch};
    tooClose.dst.pitch = window.width - 1;
    pastTheEnd.dst.first = 3 * dstPitch; // its last row would be the seventh of six
    const std::pair<GpuLookWindow, int> refused[] = {
        {downward, CL_INVALID_VALUE},
        {tooClose, CL_INVALID_VALUE},
        {pastTheEnd, CL_INVALID_BUFFER_SIZE},
    };
    for (const auto& [bad, error] : refused) {
        clearLog();
        const GpuLaunchResult result =
            RunOpenClKernel3DLUT(queue(), bad, mix, lut.data(), n, in.handle(), untouched.handle());
        EXPECT_STREQ(result.failedStep, "checking the image buffers");
        EXPECT_EQ(result.error, error);
        EXPECT_EQ(logLines().size(), 1u);
    }
    EXPECT_EQ(untouched.read(), Pixels(size_t(dstPitch) * dstRows * 4, kSentinel));
}
