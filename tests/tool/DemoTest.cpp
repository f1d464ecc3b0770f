// The demo: the chart carries what it promises, and demo.sh makes a contact sheet.
#include "Chart.h"
#include "ToolTestSupport.h"
#include "zelk/ImageIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace fs = std::filesystem;

TEST(DemoChartTest, BothCurvesHoldCodesBelowZeroAndAboveOne)
{
    for (auto curve : {zelk::lut::TransferCurve::Tevo4, zelk::lut::TransferCurve::Tevo3}) {
        const zelk::RgbaImage chart = zelkdemo::makeChart(curve, 320, 180);
        float lowest = 0.0f, highest = 0.0f;
        for (std::size_t i = 0; i < chart.pixels.size(); ++i) {
            if (i % 4 == 3)
                continue;
            ASSERT_TRUE(std::isfinite(chart.pixels[i])) << "sample " << i;
            lowest = std::min(lowest, chart.pixels[i]);
            highest = std::max(highest, chart.pixels[i]);
        }
        EXPECT_LT(lowest, 0.0f);
        EXPECT_GT(highest, 1.0f);
        // Mid grey in the patch chart's grey row lands near the curve's middle code.
        const float* midGrey = chart.row(int(180 * 0.6)) + 4 * int(320 * (3.5 / 6));
        EXPECT_NEAR(midGrey[1], 0.5f, 0.01f);
    }
}

class DemoScriptTest : public tooltest::ScratchDirTest {};

TEST_F(DemoScriptTest, MakesALabelledContactSheetOfEveryLook)
{
    const std::string script = std::string(ZELK_TEST_SOURCE_DIR) + "/host/demo/demo.sh";
    ::setenv("ZELK_DEMO_OUT", dir.c_str(), 1);
    const tooltest::RunResult r =
        tooltest::runProgram("/bin/bash", {script, ZELK_TEST_BUILD_DIR}, dir.string());
    ::unsetenv("ZELK_DEMO_OUT");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string sheetPath = file("contact-sheet.png");
    EXPECT_EQ(r.out, sheetPath + "\n");
    const zelk::RgbaImage sheet = zelk::readImage(sheetPath);
    EXPECT_GT(sheet.width, 1000);
    EXPECT_GT(sheet.height, 600);

    // One render per look and curve, each a finished image.
    std::size_t looks = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(ZELK_TEST_BUNDLE) / "Contents" /
                                                    "Resources" / "looks_bin_tevo"))
        looks += entry.path().extension() == ".bin";
    for (const char* curve : {"tevo4", "tevo3"}) {
        std::size_t rendered = 0;
        for (const auto& entry : fs::directory_iterator(dir / "demo" / curve)) {
            rendered += entry.path().extension() == ".exr";
            EXPECT_NO_THROW(zelk::readImage(entry.path().string()));
        }
        EXPECT_EQ(rendered, looks) << curve;
    }
}
