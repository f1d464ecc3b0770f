// The planar conversion kernels: RGBA to three planes and back.

#include <gtest/gtest.h>

#include "ClTestDevice.h"
#include "LookTestData.h"
#include "OpenClLibrary.h"
#include "RecordingLog.h"

using namespace looktest;

namespace {
constexpr float kSentinel = -3.5f;
constexpr size_t kGuard = 64; // floats past each plane and image that must stay untouched

bool guard_intact(const std::vector<float>& data, size_t used)
{
    for (size_t i = used; i < data.size(); ++i)
        if (data[i] != kSentinel)
            return false;
    return true;
}
} // namespace

TEST(OpenClPlanarKernels, RoundTripAnImage)
{
    ZELK_REQUIRE_OPENCL();
    ClTestDevice& device = ClTestDevice::get();
    const int width = 101, height = 7; // 27 idle work-items per row
    const size_t pixels = static_cast<size_t>(width) * height;
    const Pixels rgba = wideRamp(width, height);

    ClBuffer src(device.upload(rgba));
    ClBuffer red(device.filled(pixels + kGuard, kSentinel));
    ClBuffer green(device.filled(pixels + kGuard, kSentinel));
    ClBuffer blue(device.filled(pixels + kGuard, kSentinel));
    float* const planes[3] = {red.asFloats(), green.asFloats(), blue.asFloats()};
    RecordingLog::clear();
    RunOpenClKernelConvertToPlanar(device.queue(), width, height, 0, src.asFloats(), planes);

    const ClBuffer* planeBuffers[3] = {&red, &green, &blue};
    for (int c = 0; c < 3; ++c) {
        const std::vector<float> plane = device.download(planeBuffers[c]->get(), pixels + kGuard);
        EXPECT_TRUE(guard_intact(plane, pixels)) << "plane " << c;
        std::vector<float> expected(pixels);
        for (size_t i = 0; i < pixels; ++i)
            expected[i] = rgba[i * 4 + c];
        EXPECT_EQ(compareWithinUlp(expected, {plane.begin(), plane.begin() + pixels}, 0), "")
            << "plane " << c;
    }

    // Back to RGBA: opaque, or with the alpha of a second image.
    const float* const readPlanes[3] = {red.asFloats(), green.asFloats(), blue.asFloats()};
    ClBuffer opaque(device.filled(rgba.size() + kGuard, kSentinel));
    RunOpenClKernelConvertFromPlanar(device.queue(), width, height, 0, readPlanes,
                                     opaque.asFloats());
    ClBuffer withAlpha(device.filled(rgba.size() + kGuard, kSentinel));
    RunOpenClKernelConvertFromPlanarAlpha(device.queue(), width, height, 0, readPlanes,
                                          withAlpha.asFloats(), src.asFloats());

    const Pixels gotOpaque = device.download(opaque.get(), rgba.size() + kGuard);
    const Pixels gotAlpha = device.download(withAlpha.get(), rgba.size() + kGuard);
    EXPECT_TRUE(guard_intact(gotOpaque, rgba.size()));
    EXPECT_TRUE(guard_intact(gotAlpha, rgba.size()));
    Pixels expectedOpaque = rgba;
    for (size_t i = 3; i < expectedOpaque.size(); i += 4)
        expectedOpaque[i] = 1.0f;
    EXPECT_EQ(compareWithinUlp(expectedOpaque, {gotOpaque.begin(), gotOpaque.begin() + rgba.size()}, 0), "");
    EXPECT_EQ(compareWithinUlp(rgba, {gotAlpha.begin(), gotAlpha.begin() + rgba.size()}, 0), "");
    // The three programs built cleanly: nothing was logged.
    EXPECT_TRUE(RecordingLog::lines().empty()) << RecordingLog::lines().front();
}

TEST(OpenClPlanarKernels, RefuseMissingOrShortPlanes)
{
    ZELK_REQUIRE_OPENCL();
    ClTestDevice& device = ClTestDevice::get();
    const int width = 8, height = 2;
    const size_t pixels = 16;
    ClBuffer rgba(device.filled(pixels * 4, kSentinel));
    ClBuffer plane(device.filled(pixels, 0.5f));
    ClBuffer shortPlane(device.filled(pixels - 1, 0.5f));

    const float* const withShort[3] = {plane.asFloats(), shortPlane.asFloats(), plane.asFloats()};
    const float* const withNull[3] = {plane.asFloats(), plane.asFloats(), nullptr};
    for (const float* const* planes : {withShort, withNull}) {
        RecordingLog::clear();
        RunOpenClKernelConvertFromPlanar(device.queue(), width, height, 0, planes,
                                         rgba.asFloats());
        EXPECT_EQ(device.download(rgba.get(), pixels * 4), Pixels(pixels * 4, kSentinel));
        EXPECT_EQ(RecordingLog::lines().size(), 1u);
    }
    RecordingLog::clear();
    RunOpenClKernelConvertToPlanar(device.queue(), width, height, 0, rgba.asFloats(), nullptr);
    EXPECT_EQ(RecordingLog::lines().size(), 1u);
}
