// The processor frame's arithmetic: which windows it renders at all, how many
// threads a window gets and which rows each thread's band holds. (The host's
// threads: renders at every CPU count, tests/render.)

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ImageProcessor.h"

using OFX::ImageProcessor;
using Rows = std::vector<std::pair<int, int>>;

namespace {

// Rows of every thread's band, empty ones as {0, 0}; each band spans the window's width.
Rows bands(const OfxRectI& window, unsigned int n)
{
    Rows result;
    for (unsigned int i = 0; i < n; ++i) {
        OfxRectI band{};
        const bool some = ImageProcessor::bandOf(window, i, n, band);
        if (some) {
            EXPECT_EQ(band.x1, window.x1);
            EXPECT_EQ(band.x2, window.x2);
        }
        result.push_back(some ? std::make_pair(band.y1, band.y2) : std::make_pair(0, 0));
    }
    return result;
}

} // namespace

TEST(ProcessorFrame, RendersOnlyNonEmptyWindowsInsideTheOutput)
{
    const OfxRectI bounds{10, 20, 30, 25};
    EXPECT_TRUE(ImageProcessor::windowInside(bounds, bounds));
    // One past each side, then empty in x and in y.
    for (const OfxRectI& window :
         {OfxRectI{9, 20, 30, 25}, OfxRectI{10, 19, 30, 25}, OfxRectI{10, 20, 31, 25},
          OfxRectI{10, 20, 30, 26}, OfxRectI{12, 22, 12, 24}, OfxRectI{12, 22, 14, 22}}) {
        EXPECT_FALSE(ImageProcessor::windowInside(window, bounds))
            << window.x1 << "," << window.y1 << " " << window.x2 << "," << window.y2;
    }
}

TEST(ProcessorFrame, ThreadCountFollowsTheWorkAndBandsSplitRowsEvenly)
{
    const struct {
        OfxRectI window;
        unsigned int cpus, threads;
    } counts[] = {{{0, 0, 1920, 1080}, 7, 7},   {{0, 0, 100, 10}, 16, 1},
                  {{0, 0, 8192, 2}, 8, 2}, // a row counts for at most 4096 pixels
                  {{-50, 10, 4046, 13}, 64, 3}, {{0, 0, 4095, 1}, 4, 1},
                  {{0, 0, 64, 64}, 0, 1}};
    for (const auto& c : counts) {
        EXPECT_EQ(ImageProcessor::cpuThreadCount(c.window, c.cpus), c.threads)
            << c.window.x2 - c.window.x1 << "x" << c.window.y2 - c.window.y1 << " on " << c.cpus;
    }

    // 1080 rows from row 100 on 7: 155 rows each, the last gets 150.
    const Rows b = bands({0, 100, 1920, 1180}, 7);
    EXPECT_EQ(b[0], std::make_pair(100, 255));
    EXPECT_EQ(b[6], std::make_pair(1030, 1180));
    // 9 rows on 4: three each for threads 0-2, nothing for 3.
    EXPECT_EQ(bands({0, 0, 5, 9}, 4), (Rows{{0, 3}, {3, 6}, {6, 9}, {0, 0}}));
    EXPECT_EQ(bands({0, -1, 5, 1}, 4), (Rows{{-1, 0}, {0, 1}, {0, 0}, {0, 0}}));
}

TEST(ProcessorFrame, BandsTileEveryWindowExactly)
{
    for (int rows = 1; rows <= 40; ++rows) {
        for (unsigned int n = 1; n <= 17; ++n) {
            const OfxRectI window{3, -7, 11, -7 + rows};
            int next = window.y1;
            for (const auto& band : bands(window, n)) {
                if (band.second != band.first) {
                    EXPECT_EQ(band.first, next) << rows << " rows, " << n << " threads";
                    next = band.second;
                }
            }
            EXPECT_EQ(next, window.y2) << rows << " rows, " << n << " threads";
        }
    }
    // An inverted window has no rows at all.
    OfxRectI band{};
    EXPECT_FALSE(ImageProcessor::bandOf({0, 5, 4, 2}, 0, 1, band));
}
