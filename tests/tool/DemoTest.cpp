// The demo: the chart carries what it promises, and demo.sh makes the contact sheets.
#include "Chart.h"
#include "ToolTestSupport.h"
#include "zelk/ImageIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace fs = std::filesystem;

TEST(DemoChartTest, OnlyGreyStepsLeaveTheCurvesRange)
{
    // The plug-in's clamp needs codes below 0 and above 1 to show; a colour
    // outside the range would show the clamp as if it were the look's.
    for (auto curve : {zelk::lut::TransferCurve::Tevo4, zelk::lut::TransferCurve::Tevo3}) {
        const zelk::RgbaImage chart = zelkdemo::makeChart(curve, 320, 180);
        float lowest = 0.0f, highest = 0.0f;
        for (std::size_t i = 0; i < chart.pixels.size(); i += 4) {
            const float* p = &chart.pixels[i];
            for (int c = 0; c < 3; ++c) {
                ASSERT_TRUE(std::isfinite(p[c])) << "pixel " << i / 4;
                lowest = std::min(lowest, p[c]);
                highest = std::max(highest, p[c]);
            }
            const bool outside =
                std::min({p[0], p[1], p[2]}) < 0.0f || std::max({p[0], p[1], p[2]}) > 1.0f;
            if (outside) {
                ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << "colour out of range at " << i / 4;
            }
        }
        EXPECT_LT(lowest, 0.0f);
        EXPECT_GT(highest, 1.0f);
        // Every sample the look-quality tests take is inside the range too.
        std::vector<zelkdemo::SceneRgb> colours = zelkdemo::colourPatches();
        const auto& skin = zelkdemo::skinRamp();
        colours.insert(colours.end(), skin.begin(), skin.end());
        for (int row = 0; row < zelkdemo::kSweepRows; ++row)
            for (int i = 0; i < 360; ++i)
                colours.push_back(zelkdemo::hueSweep(row, i / 360.0));
        for (const auto& c : colours)
            for (double v : {c.r, c.g, c.b}) {
                const double code = zelk::lut::encodeCurve(curve, v);
                ASSERT_TRUE(code >= 0.0 && code <= 1.0) << "scene " << v << " gives " << code;
            }
    }
}

class DemoScriptTest : public tooltest::ScratchDirTest {};

TEST_F(DemoScriptTest, MakesLabelledContactSheetsOfEveryLook)
{
    const std::string script = std::string(ZELK_TEST_SOURCE_DIR) + "/host/demo/demo.sh";
    ::setenv("ZELK_DEMO_OUT", dir.c_str(), 1);
    const tooltest::RunResult r =
        tooltest::runProgram("/bin/bash", {script, ZELK_TEST_BUILD_DIR}, dir.string());
    ::unsetenv("ZELK_DEMO_OUT");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string sheetPath = file("contact-sheet.png"),
                      closeUpPath = file("skin-and-sweep.png");
    EXPECT_EQ(r.out, sheetPath + "\n" + closeUpPath + "\n");
    const zelk::RgbaImage sheet = zelk::readImage(sheetPath);
    EXPECT_GT(sheet.width, 1000);
    EXPECT_GT(sheet.height, 600);
    // The close-up shows the same tiles twice as wide, a band of each.
    const zelk::RgbaImage closeUp = zelk::readImage(closeUpPath);
    EXPECT_GT(closeUp.width, sheet.width);
    EXPECT_GT(closeUp.height, 600);

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
