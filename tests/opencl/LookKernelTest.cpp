// The look kernel's launcher: what it refuses to run, and writes nothing for.

#include <gtest/gtest.h>

#include "OpenClLibrary.h"
#include "OpenClTestKit.h"

using namespace kit;

constexpr float kSentinel = -7.25f;

// (The kernel against the CPU arithmetic, through the plug-in: HostRenderTest.cpp.)
TEST(OpenClLookKernel, EmptyOrUnsafeInputsWriteNothing)
{
    ZELK_REQUIRE_OPENCL();
    const int n = 5, width = 16, height = 4;
    const Lut lut = bizarreLut(n);
    const Pixels src = testImage(width, height, n);
    Buffer in(src), shortIn(Pixels(src.begin(), src.end() - 4)), out(src.size(), kSentinel);
    struct Case {
        int width, height, lutSize;
        const zelk_vec3<float>* lut;
        float *src, *dst;
        const char* logged; // the one line expected; "" for none
    } cases[] = {
        {0, height, n, lut.data(), in.handle(), out.handle(), ""},
        {width, height, n, lut.data(), shortIn.handle(), out.handle(), "OpenCl image buffer of"},
        {width, height, n, lut.data(), nullptr, out.handle(), "Missing OpenCl image buffer"},
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

// (Windows anywhere in images of any pitch, rendered: HostRenderTest.cpp.)
TEST(OpenClLookKernel, RefusesWindowsItsBuffersCannotHold)
{
    ZELK_REQUIRE_OPENCL();
    const int n = 21, srcPitch = 73, dstPitch = 45, dstRows = 6;
    const Lut lut = bizarreLut(n);
    Buffer in(testImage(srcPitch, 9, n)), out(size_t(dstPitch) * dstRows * 4, kSentinel);
    // A 37 x 4 window at (5, 3) of the source, written at (2, 1) of the destination.
    GpuLookWindow window;
    window.width = 37;
    window.height = 4;
    window.src = {3 * srcPitch + 5, srcPitch};
    window.dst = {1 * dstPitch + 2, dstPitch};
    ASSERT_TRUE(
        RunOpenClKernel3DLUT(queue(), window, 1.0f, lut.data(), n, in.handle(), out.handle()).ok());

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
        const GpuLaunchResult result = RunOpenClKernel3DLUT(queue(), bad, 1.0f, lut.data(), n,
                                                            in.handle(), untouched.handle());
        EXPECT_STREQ(result.failedStep, "checking the image buffers");
        EXPECT_EQ(result.error, error);
        EXPECT_EQ(logLines().size(), 1u);
    }
    EXPECT_EQ(untouched.read(), Pixels(size_t(dstPitch) * dstRows * 4, kSentinel));
}
