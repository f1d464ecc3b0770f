// ofx-render as a user runs it: exit statuses, messages, files left behind, and
// its render against the same render made in-process through the host library.
#include "CommandLine.h"
#include "FramePattern.h"
#include "OfxRenderFixture.h"
#include "RenderSession.h"

#include <ofxhost/Host.h>
#include <ofxhost/Instance.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;
using namespace tooltest;

TEST_F(OfxRenderTest, UsageErrorsExitTwoNameTheProblemAndWriteNothing)
{
    // (Frame lists and patterns: FrameListTest, FramePatternTest.)
    writeChart("in.exr");
    const struct {
        std::vector<std::string> args;
        const char* named;
    } cases[] = {
        {{"in.exr"}, "INPUT and OUTPUT"},
        {{"in.exr", "out.exr", "extra.exr"}, "too many"},
        {{"--bogus", "in.exr", "out.exr"}, "--bogus"},
        {{"--set", "color", "in.exr", "out.exr"}, "NAME=VALUE"},
        {{"--set"}, "--set: missing value"},
        {{"--threads", "0", "in.exr", "out.exr"}, "--threads"},
        {{"--threads", "4x", "in.exr", "out.exr"}, "4x"},
        {{"--gpu", "metal", "in.exr", "out.exr"}, "metal"},
        {{"--device", "1", "in.exr", "out.exr"}, "--device"},
        {{"--depth", "12", "in.exr", "out.exr"}, "12"},
        {{"--depth", "float", "in.exr", "out.png"}, "--depth float"},
        {{"in.exr", "out.jpg"}, "out.jpg"},
        {{"in.####.exr", "out.exr"}, "frame patterns"},
        {{"--frames", "1-3", "in.exr", "out.exr"}, "--frames"},
        {{"--set", "color=1.5", "in.exr", "out.exr"}, "color"},
        {{"--set", "color=abc", "in.exr", "out.exr"}, "abc"},
        {{"--set", "printStock=No Such Look", "in.exr", "out.exr"}, "No Such Look"},
        {{"--set", "printStock=999", "in.exr", "out.exr"}, "999"},
        {{"--effect", "com.example.none", "in.exr", "out.exr"}, "com.example.none"},
        {{"-q", "--progress", "in.exr", "out.exr"}, "contradict"},
    };
    for (const auto& c : cases) {
        const RunResult r = renderWithBundle(c.args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_TRUE(contains(r.err, c.named)) << c.named << ": " << r.err;
        EXPECT_EQ(listing(), std::vector<std::string>{"in.exr"});
    }
}

TEST_F(OfxRenderTest, FailuresExitOneWithOneMessageAndLeaveNoFile)
{
    writeChart("in.exr");
    std::ofstream(file("text.exr")) << "not an image";
    writeChart("cut.exr");
    fs::resize_file(file("cut.exr"), fs::file_size(file("cut.exr")) / 2);
    // Looks of 17 points, which the plug-in loads but never applies.
    const std::uint64_t entries = 17 * 17 * 17;
    const std::string smallLook =
        bundleWithLooks(dir / "b", {"Small"},
                        std::string(reinterpret_cast<const char*>(&entries), sizeof entries) +
                            std::string(12 * entries, '\0'));
    const auto before = listing();

    const struct {
        std::vector<std::string> args;
        std::string named;
    } cases[] = {
        {{"--bundle", kBundle, "missing.exr", "out.exr"}, "missing.exr"},
        {{"--bundle", kBundle, "text.exr", "out.exr"}, "text.exr"},
        {{"--bundle", kBundle, "cut.exr", "out.exr"}, "cut.exr"},
        {{"--bundle", kBundle, "in.exr", "no/such/dir/out.exr"}, "no/such/dir/out.exr"},
        {{"--bundle", file("none.ofx.bundle"), "in.exr", "out.exr"}, "none.ofx.bundle"},
        // The plug-in's own reason, passed on whole.
        {{"--bundle", smallLook, "--set", "printStock=Small", "in.exr", "out.exr"},
         "failed the render (kOfxStatFailed): ZELK Look Library rendered nothing: the look file "
         "holds 4913 entries; its lattice of 17 points per axis is below the plug-in's minimum of "
         "18. Look: Small; I/O Space: Tevo4/QXR4; look file: " +
             smallLook + "/Contents/Resources/looks_bin_tevo4/Small.cube.bin"},
    };
    for (const auto& c : cases) {
        const RunResult r = render(c.args);
        SCOPED_TRACE(r.err);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, c.named)) << "expected the message to name " << c.named;
        const std::string reason = "rendered nothing"; // said once, not again by the host
        EXPECT_EQ(r.err.find(reason), r.err.rfind(reason));
        EXPECT_EQ(countLinesStartingWith(r.err, "ofx-render: "), 1) << "one message of ours";
        EXPECT_EQ(listing(), before) << "no output and no temporary file";
    }
}

TEST_F(OfxRenderTest, SequencesRenderTheFramesOfThePatternAndReportGaps)
{
    // Frames of different widths tell which input made which output.
    for (int f : {3, 4, 5, 9})
        writeChart("in.000" + std::to_string(f) + ".exr", 10 + f, 6);
    writeChart("in.7.exr", 8, 6); // another spelling: not a frame of "####"

    RunResult r = renderWithBundle({"in.####.exr", "out.%04d.tif"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "lacks frames 6-8")) << r.err;
    for (int f : {3, 4, 5, 9})
        EXPECT_EQ(zelk::readImage(file("out.000" + std::to_string(f) + ".tif")).width, 10 + f);
    EXPECT_FALSE(fs::exists(file("out.0007.tif")));

    r = renderWithBundle({"--frames", "4-9x5,3", "in.####.exr", "sel.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (int f = 3; f <= 9; ++f)
        EXPECT_EQ(fs::exists(file("sel." + std::to_string(f) + ".exr")), f == 3 || f == 4 || f == 9)
            << f;

    // A missing frame is found before anything renders.
    const auto before = listing();
    r = renderWithBundle({"--frames", "4-6", "in.####.exr", "gap.####.exr"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "in.0006.exr"));
    EXPECT_EQ(listing(), before);

    // A frame that fails mid-sequence still ends the sequence render.
    std::ofstream(file("in.0006.exr")) << "not an image";
    ::setenv("OFX_PLUGIN_LOGFILE", file("plugin.log").c_str(), 1);
    r = renderWithBundle({"--frames", "4-6", "in.####.exr", "bad.####.exr"});
    ::unsetenv("OFX_PLUGIN_LOGFILE");
    EXPECT_EQ(r.exitCode, 1);
    const std::string log = slurp(file("plugin.log"));
    EXPECT_TRUE(contains(log, "START OfxImageEffectActionBeginSequenceRender"));
    EXPECT_TRUE(contains(log, "START OfxImageEffectActionEndSequenceRender")) << log;
}

TEST_F(OfxRenderTest, DescribeFindsTheBundleByNameOnTheSearchPath)
{
    ::setenv("OFX_PLUGIN_PATH", fs::path(kBundle).parent_path().c_str(), 1);
    const RunResult named = render({"--describe", "ZELK-Look-Lib"});
    const RunResult unnamed = render({"--describe"});
    const RunResult missing = render({"--describe", "--bundle", "Nowhere"});
    ::unsetenv("OFX_PLUGIN_PATH");
    for (const RunResult& found : {named, unnamed}) {
        ASSERT_EQ(found.exitCode, 0) << found.err;
        for (const char* part : {"com.ZELKOpenFX.ZELKLookLib", "printStock", "Color Intensity"})
            EXPECT_TRUE(contains(found.out, part)) << part;
    }
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(contains(missing.err, "Nowhere")) << missing.err;
}

TEST_F(OfxRenderTest, RenderedChartEqualsTheInProcessRenderBitForBit)
{
    const int width = 96, height = 54;
    const zelk::RgbaImage chart =
        zelkdemo::makeChart(zelk::lut::TransferCurve::Tevo4, width, height);
    zelk::writeImage(file("chart.exr"), chart, zelk::FileFormat::Exr, zelk::SampleType::Float);
    const std::vector<std::pair<std::string, std::string>> params = {
        {"printStock", "1"}, {"color", "0.65"}, {"colorSpaceTransform", "Tevo3/QXR3"}};

    // In-process: the chart's rows bottom-up, as OFX images lie in memory.
    ofxhost::Host host;
    auto instance = host.loadBundle(kBundle).effects().at(0)->createInstance();
    for (const auto& [name, value] : params)
        instance->setParamFromText(name, value);
    std::vector<float> src(chart.pixels.size()), dst(chart.pixels.size(), 0.0f);
    const std::size_t row = std::size_t(width) * 4;
    for (int y = 0; y < height; ++y)
        std::memcpy(&src[std::size_t(height - 1 - y) * row], chart.row(y), row * sizeof(float));
    ASSERT_EQ(ofxhost::renderWholeFrame(*instance, 0.0, src.data(), dst.data(), width, height),
              kOfxStatOK);

    std::vector<std::string> args = {"--threads", "3", "chart.exr", "out.exr"};
    for (const auto& [name, value] : params)
        args.insert(args.begin(), {"--set", name + "=" + value});
    const RunResult r = renderWithBundle(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const zelk::RgbaImage out = zelk::readImage(file("out.exr"));
    ASSERT_EQ(out.width, width);
    ASSERT_EQ(out.height, height);
    std::size_t changed = 0;
    for (int y = 0; y < height; ++y) {
        ASSERT_EQ(
            std::memcmp(out.row(y), &dst[std::size_t(height - 1 - y) * row], row * sizeof(float)),
            0)
            << "row " << y << " from the top";
        for (std::size_t i = 0; i < row; ++i)
            changed += out.row(y)[i] != chart.row(y)[i];
    }
    EXPECT_GT(changed, chart.pixels.size() / 2) << "the look was applied";

    // At intensity 0 the effect is an identity and the chart passes through untouched.
    const RunResult identity = renderWithBundle({"--set", "color=0", "chart.exr", "same.exr"});
    ASSERT_EQ(identity.exitCode, 0) << identity.err;
    EXPECT_EQ(std::memcmp(zelk::readImage(file("same.exr")).pixels.data(), chart.pixels.data(),
                          chart.pixels.size() * sizeof(float)),
              0);
}

TEST(FramePatternTest, PatternsSpellFramesAndFindOnlyTheirOwnFiles)
{
    // What the sequence render does not show: wide frame numbers, '#' in a
    // directory, and patterns that are refused.
    using ofxrender::FramePattern;
    EXPECT_EQ(FramePattern("a/shot.%04d.exr").fileForFrame(12345), "a/shot.12345.exr");
    EXPECT_FALSE(FramePattern("take#2/shot.exr").isSequence());
    for (const char* bad : {"a.#.b.#.exr", "a.%4d.exr", "a.%x.exr", "a.%04.exr", "a.%d%d.exr"})
        EXPECT_THROW(FramePattern{bad}, ofxrender::UsageError) << bad;

    const fs::path dir = fs::temp_directory_path() / ("zelk_pattern_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    for (const char* name :
         {"s.0002.exr", "s.0010.exr", "s.1.exr", "s.0003.exr.bak", "s.00a4.exr", "t.0005.exr"})
        std::ofstream(dir / name) << "x";
    EXPECT_EQ(FramePattern((dir / "s.####.exr").string()).existingFrames(),
              (std::vector<long>{2, 10}));
    fs::remove_all(dir);
}

TEST(OfxBoundsTest, TheDataWindowTurnsUpWithinTheDisplayWindow)
{
    // OFX counts rows up from the bottom of the display window.
    const auto bounds = [](zelk::PixelRect data, zelk::PixelRect display) {
        zelk::ImageInfo info;
        info.dataWindow = data;
        info.displayWindow = display;
        const OfxRectI b = ofxrender::ofxBounds(info);
        return std::vector<int>{b.x1, b.y1, b.x2, b.y2};
    };
    // File rows 50 to 73 of a 700-row frame are host rows 649 down to 626.
    EXPECT_EQ(bounds({100, 50, 40, 24}, {0, 0, 1200, 700}), (std::vector<int>{100, 626, 140, 650}));
    // A display window of its own origin (rows 20 to 79), a data window reaching outside it.
    EXPECT_EQ(bounds({-20, 10, 5, 80}, {-10, 20, 100, 60}),
              (std::vector<int>{-20, 20 + 79 - 89, -15, 20 + 79 - 10 + 1}));
}
