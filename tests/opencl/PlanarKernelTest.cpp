// The planar conversion kernels: RGBA to three planes and back.

#include <gtest/gtest.h>

#include "OpenClLibrary.h"
#include "OpenClTestKit.h"

using namespace kit;

TEST(OpenClPlanarKernels, RoundTripAnImage)
{
    ZELK_REQUIRE_OPENCL();
    const int width = 101, height = 7; // 27 idle work-items per row
    const size_t pixels = size_t(width) * height, guard = 64;
    const Pixels rgba = testImage(width, height, 2);
    Buffer src(rgba), red(pixels + guard, -3.0f), green(pixels + guard, -3.0f),
        blue(pixels + guard, -3.0f);
    float* const planes[3] = {red.handle(), green.handle(), blue.handle()};
    RunOpenClKernelConvertToPlanar(queue(), width, height, 0, src.handle(), planes);
    const Buffer* planeBuffers[3] = {&red, &green, &blue};
    for (size_t c = 0; c < 3; ++c) {
        Pixels want(pixels + guard, -3.0f);
        for (size_t i = 0; i < pixels; ++i)
            want[i] = rgba[i * 4 + c];
        EXPECT_EQ(differences(want, planeBuffers[c]->read()), "") << "plane " << c;
    }

    // Back: opaque, or with the alpha of a second RGBA image.
    const float* const in[3] = {red.handle(), green.handle(), blue.handle()};
    Buffer opaque(rgba.size() + guard, -3.0f), withAlpha(rgba.size() + guard, -3.0f);
    clearLog();
    RunOpenClKernelConvertFromPlanar(queue(), width, height, 0, in, opaque.handle());
    RunOpenClKernelConvertFromPlanarAlpha(queue(), width, height, 0, in, withAlpha.handle(),
                                          src.handle());
    Pixels want = rgba;
    want.resize(rgba.size() + guard, -3.0f);
    EXPECT_EQ(differences(want, withAlpha.read()), "");
    for (size_t i = 3; i < rgba.size(); i += 4)
        want[i] = 1.0f;
    EXPECT_EQ(differences(want, opaque.read()), "");
    EXPECT_TRUE(logLines().empty()) << logLines().front();

    // A short or missing plane is refused with one line; nothing is written.
    Buffer shortPlane(pixels - 1, 0.0f);
    for (const float* bad :
         {static_cast<const float*>(shortPlane.handle()), (const float*)nullptr}) {
        const float* const badPlanes[3] = {red.handle(), bad, blue.handle()};
        clearLog();
        RunOpenClKernelConvertFromPlanar(queue(), width, height, 0, badPlanes, opaque.handle());
        EXPECT_EQ(differences(want, opaque.read()), "");
        EXPECT_EQ(logLines().size(), 1u);
    }
}
