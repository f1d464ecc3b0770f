// The processor frame's arithmetic: how many threads a window gets and which
// rows each thread's band holds. The window check runs end to end (tests/render).

#include <gtest/gtest.h>

#include <vector>

#include "ImageProcessor.h"

using OFX::ImageProcessor;

namespace {

struct Band {
    int y1;
    int y2;
};

// The bands of every thread, empty ones as {0, 0}.
std::vector<Band> bands(const OfxRectI& window, unsigned int n)
{
    std::vector<Band> result;
    for (unsigned int i = 0; i < n; ++i) {
        OfxRectI band{};
        if (ImageProcessor::bandOf(window, i, n, band)) {
            EXPECT_EQ(band.x1, window.x1);
            EXPECT_EQ(band.x2, window.x2);
            result.push_back({band.y1, band.y2});
        } else {
            result.push_back({0, 0});
        }
    }
    return result;
}

} // namespace

TEST(ProcessorFrame, ThreadCountsOfTheDocumentedWindows)
{
    EXPECT_EQ(ImageProcessor::cpuThreadCount({0, 0, 1920, 1080}, 8), 8u);
    EXPECT_EQ(ImageProcessor::cpuThreadCount({0, 0, 1920, 1080}, 7), 7u);
    EXPECT_EQ(ImageProcessor::cpuThreadCount({0, 0, 100, 10}, 16), 1u);
    // A row counts for at most 4096 pixels.
    EXPECT_EQ(ImageProcessor::cpuThreadCount({0, 0, 8192, 2}, 8), 2u);
    EXPECT_EQ(ImageProcessor::cpuThreadCount({-50, 10, 4046, 13}, 64), 3u);
    EXPECT_EQ(ImageProcessor::cpuThreadCount({0, 0, 4095, 1}, 4), 1u);
    EXPECT_EQ(ImageProcessor::cpuThreadCount({0, 0, 64, 64}, 0), 1u);
}

TEST(ProcessorFrame, BandsOfTheDocumentedWindows)
{
    // 1920 x 1080 on 8: chunk 135, thread 7 rows 945 to 1080 (offset by y1).
    std::vector<Band> b = bands({0, 100, 1920, 1180}, 8);
    EXPECT_EQ(b[0].y1, 100);
    EXPECT_EQ(b[0].y2, 235);
    EXPECT_EQ(b[7].y1, 100 + 945);
    EXPECT_EQ(b[7].y2, 100 + 1080);

    // On 7: 155 rows each, the last gets 150.
    b = bands({0, 0, 1920, 1080}, 7);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(b[i].y2 - b[i].y1, 155) << i;
    }
    EXPECT_EQ(b[6].y1, 930);
    EXPECT_EQ(b[6].y2, 1080);

    // 8192 x 2 on 2 threads: a row each.
    b = bands({0, 0, 8192, 2}, 2);
    EXPECT_EQ(b[0].y1, 0);
    EXPECT_EQ(b[0].y2, 1);
    EXPECT_EQ(b[1].y1, 1);
    EXPECT_EQ(b[1].y2, 2);

    // 9 rows on 4: three each for threads 0-2, nothing for 3.
    b = bands({0, 0, 5, 9}, 4);
    EXPECT_EQ(b[2].y1, 6);
    EXPECT_EQ(b[2].y2, 9);
    EXPECT_EQ(b[3].y2 - b[3].y1, 0);

    // 2 rows on 4: threads 0 and 1 one row each.
    b = bands({0, -1, 5, 1}, 4);
    EXPECT_EQ(b[0].y1, -1);
    EXPECT_EQ(b[0].y2, 0);
    EXPECT_EQ(b[1].y1, 0);
    EXPECT_EQ(b[1].y2, 1);
    EXPECT_EQ(b[2].y2 - b[2].y1, 0);
    EXPECT_EQ(b[3].y2 - b[3].y1, 0);
}

TEST(ProcessorFrame, BandsTileEveryWindowExactly)
{
    for (int rows = 1; rows <= 40; ++rows) {
        for (unsigned int n = 1; n <= 17; ++n) {
            const OfxRectI window{3, -7, 11, -7 + rows};
            std::vector<Band> b = bands(window, n);
            int next = window.y1;
            for (const Band& band : b) {
                if (band.y2 == band.y1) {
                    continue;
                }
                EXPECT_EQ(band.y1, next) << rows << " rows, " << n << " threads";
                next = band.y2;
            }
            EXPECT_EQ(next, window.y2) << rows << " rows, " << n << " threads";
        }
    }
    // An inverted window has no rows at all.
    OfxRectI band{};
    EXPECT_FALSE(ImageProcessor::bandOf({0, 5, 4, 2}, 0, 1, band));
}
