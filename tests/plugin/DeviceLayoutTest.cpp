// Where the render window lies in an image a host hands over in device memory:
// the numbers both GPU paths address pixels with, and the layouts they refuse.

#include <gtest/gtest.h>

#include "DeviceLayout.h"

using zelk::deviceLayout;

TEST(DeviceLayout, FirstPixelAndPitchOfEveryLayout)
{
    const struct {
        const char* what;
        OfxRectI window, bounds;
        int rowBytes;
        std::int64_t first;
        int pitch;
    } cases[] = {
        {"sub-window", {10, 2, 20, 5}, {0, 0, 64, 8}, 64 * 16, 2 * 64 + 10, 64},
        {"sub-window off the origin", {-10, 9, 0, 12}, {-16, 8, 48, 16}, 64 * 16, 64 + 6, 64},
        {"padded rows", {1, 1, 5, 3}, {0, 0, 5, 3}, 5 * 16 + 48, 8 + 1, 8},
        {"rows going down", {1, 1, 5, 3}, {0, 0, 5, 3}, -5 * 16, -5 + 1, -5},
    };
    for (const auto& c : cases) {
        GpuImageLayout layout;
        EXPECT_EQ(deviceLayout(c.window, c.bounds, c.rowBytes, layout), "") << c.what;
        EXPECT_EQ(layout.first, c.first) << c.what;
        EXPECT_EQ(layout.pitch, c.pitch) << c.what;
    }
    // Far-off windows of huge images need 64 bits.
    GpuImageLayout layout;
    const int wide = 1 << 20;
    ASSERT_EQ(deviceLayout({0, 4000, 1, 4001}, {0, 0, wide, 4096}, wide * 16, layout), "");
    EXPECT_EQ(layout.first, std::int64_t(4000) * wide);
}

TEST(DeviceLayout, RefusesWhatAKernelCannotAddress)
{
    const OfxRectI bounds{0, 0, 8, 4};
    const struct {
        OfxRectI window;
        int rowBytes;
        const char* why;
    } cases[] = {
        {{0, 0, 9, 4},
         128,
         "of bounds (0, 0)-(8, 4) does not cover the render window (0, 0)-(9, 4)"},
        {{-1, 0, 8, 4}, 128, "does not cover"},
        {{0, 1, 8, 5}, 128, "does not cover"},
        {{0, 0, 8, 4}, 128 + 4, "has rows 132 bytes apart, not a whole number of 16-byte pixels"},
        {{0, 0, 8, 4}, 112, "has rows 112 bytes apart, too close for its 8 pixels"},
        {{0, 0, 8, 4}, -112, "too close"},
        {{0, 0, 8, 4}, 0, "too close"},
    };
    for (const auto& c : cases) {
        GpuImageLayout layout;
        const std::string why = deviceLayout(c.window, bounds, c.rowBytes, layout);
        EXPECT_NE(why.find(c.why), std::string::npos) << c.rowBytes << ": " << why;
    }
}
