// ofx-render's frame lists, resuming a sequence, and what it tells a user: its version, the
// looks, parameters by label, names printed safely.
#include "CommandLine.h"
#include "FrameList.h"
#include "OfxRenderFixture.h"

#include <gtest/gtest.h>

#include <regex>

namespace fs = std::filesystem;
using namespace tooltest;

TEST(FrameListTest, ListsStepsAndGapsReadAndPrintAsWritten)
{
    using ofxrender::parseFrameList;
    EXPECT_EQ(parseFrameList("1001-1009x4,1002,1001"), (std::vector<long>{1001, 1002, 1005, 1009}));
    // A job scheduler's range expression writes the step after a colon.
    EXPECT_EQ(parseFrameList("1-7:3,10"), (std::vector<long>{1, 4, 7, 10}));
    for (const char* bad :
         {"", "1-", "a", "5-2", "1-9x0", "1,,2", "-3", "1-9x", "0-2000000", "1-9:2x3"})
        EXPECT_THROW(parseFrameList(bad), ofxrender::UsageError) << bad;

    EXPECT_EQ(ofxrender::describeGaps({1, 2, 3, 5, 6, 9}), "4, 7-8");
    std::vector<long> sparse;
    for (long f = 0; f < 100; f += 2)
        sparse.push_back(f);
    const std::string many = ofxrender::describeGaps(sparse);
    EXPECT_EQ(many.rfind(", ..."), many.size() - 5) << many;
}

TEST_F(OfxRenderTest, SkipExistingRendersOnlyTheMissingFrames)
{
    for (int f = 1; f <= 4; ++f)
        writeChart("in." + std::to_string(f) + ".exr", 8 + f, 4);
    ASSERT_EQ(renderWithBundle({"in.#.exr", "out.#.exr"}).exitCode, 0);
    std::vector<ino_t> inodes;
    for (int f = 1; f <= 4; ++f)
        inodes.push_back(inodeOf(file("out." + std::to_string(f) + ".exr")));
    fs::remove(file("out.3.exr"));

    RunResult r = renderWithBundle({"--skip-existing", "in.#.exr", "out.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "3 frames already rendered")) << r.err;
    EXPECT_EQ(zelk::readImage(file("out.3.exr")).width, 11);
    for (int f : {1, 2, 4})
        EXPECT_EQ(inodeOf(file("out." + std::to_string(f) + ".exr")), inodes[f - 1]) << f;

    // Nothing left to do, even where an input is gone.
    fs::remove(file("in.2.exr"));
    r = renderWithBundle({"--skip-existing", "--frames", "1-4", "in.#.exr", "out.#.exr"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = renderWithBundle({"--skip-existing", "-y", "in.#.exr", "out.#.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "contradict")) << r.err;
}

TEST_F(OfxRenderTest, VersionAndHelp)
{
    RunResult r = render({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(std::regex_search(r.out, std::regex("^ofx-render [0-9]+\\.[0-9]+"))) << r.out;
    r = render({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, "usage: ofx-render")) << r.out;
}

TEST_F(OfxRenderTest, ParametersAreSetByLabelAsWellAsByScriptName)
{
    writeChart("in.exr");
    const RunResult byName =
        renderWithBundle({"--set", "printStock=Film Print", "--set", "color=0.5", "--set",
                          "colorSpaceTransform=Tevo3/QXR3", "in.exr", "name.exr"});
    const RunResult byLabel =
        renderWithBundle({"--set", "ZELK Look=Film Print", "--set", "Color Intensity=0.5", "--set",
                          "I/O Space=Tevo3/QXR3", "in.exr", "label.exr"});
    ASSERT_EQ(byName.exitCode, 0) << byName.err;
    ASSERT_EQ(byLabel.exitCode, 0) << byLabel.err;
    ASSERT_EQ(renderWithBundle({"in.exr", "default.exr"}).exitCode, 0);
    EXPECT_EQ(slurp(file("name.exr")), slurp(file("label.exr")));
    EXPECT_NE(slurp(file("name.exr")), slurp(file("default.exr")));

    // An unknown name is a usage error listing the names and labels there are.
    const RunResult unknown = renderWithBundle({"--set", "Colour=1", "in.exr", "x.exr"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(contains(unknown.err, "color (\"Color Intensity\")")) << unknown.err;
}

TEST_F(OfxRenderTest, LooksAndEffectsAreListedWithControlCharactersEscaped)
{
    const std::string bundle =
        bundleWithLooks(dir / "b", {"Two\nLines", "Red\x1b[31m", "Plain"},
                        slurp(kBundle + "/Contents/Resources/looks_bin_tevo/Identity.cube.bin"));
    for (const auto& args : {std::vector<std::string>{"--bundle", bundle, "--list-looks"},
                             std::vector<std::string>{"--describe", bundle}}) {
        const RunResult r = render(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
        EXPECT_TRUE(contains(r.out, "Two\\nLines")) << r.out;
        EXPECT_TRUE(contains(r.out, "Red\\x1b[31m")) << r.out;
        if (args.back() == "--list-looks") {
            EXPECT_EQ(r.out, "Plain\nRed\\x1b[31m\nTwo\\nLines\n") << "one a line, sorted";
        }
    }
}
