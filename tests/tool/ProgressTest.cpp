// What ofx-render tells a user while a sequence renders, and what -q leaves out.
#include "Progress.h"
#include "OfxRenderFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using namespace tooltest;

namespace {

// The frames and counts of the progress lines in `text`; fails on a line that
// looks like one but is malformed.
std::vector<std::pair<long, long>> progressOf(const std::string& text)
{
    static const std::regex line(R"(frame ([0-9]+) \(([0-9]+) of ([0-9]+)\): [0-9]+\.[0-9]{2} s, )"
                                 R"([0-9]+\.[0-9]{2} frames/s, .* left\r?)");
    std::vector<std::pair<long, long>> seen;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) {
        std::smatch m;
        if (row.rfind("frame ", 0) != 0)
            continue;
        EXPECT_TRUE(std::regex_match(row, m, line)) << row;
        if (!m.empty())
            seen.emplace_back(std::stol(m[1]), std::stol(m[2]));
    }
    return seen;
}

} // namespace

TEST(ProgressLineTest, RateAndTimeLeftComeFromTheFramesSoFar)
{
    // 3 of 10 frames in 2.52 s: 1.19 frames/s, 7 frames at 0.84 s each left.
    EXPECT_EQ(ofxrender::progressLine(1001, 3, 10, 0.84, 2.52),
              "frame 1001 (3 of 10): 0.84 s, 1.19 frames/s, 6 s left");
    EXPECT_EQ(ofxrender::progressLine(1, 1, 200, 30.0, 30.0),
              "frame 1 (1 of 200): 30.00 s, 0.03 frames/s, 1 h 39 min left");
    // Rounded once: never "60 s" nor "60 min".
    EXPECT_EQ(ofxrender::durationText(59.6), "1 min 00 s");
    EXPECT_EQ(ofxrender::durationText(3599.4), "59 min 59 s");
    EXPECT_EQ(ofxrender::durationText(7620), "2 h 07 min");
}

TEST_F(OfxRenderTest, ProgressGoesToStderrOnATerminalOrWhenAskedAndQuietLeavesOnlyErrors)
{
    for (int f : {1, 2, 4})
        writeChart("in." + std::to_string(f) + ".exr");
    const std::vector<std::pair<long, long>> everyFrame = {{1, 1}, {2, 2}, {4, 3}};

    RunResult r = renderWithBundle({"--progress", "in.#.exr", "a.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(progressOf(r.err), everyFrame) << r.err;
    EXPECT_TRUE(contains(r.err, "(3 of 3)") && contains(r.err, "0 s left")) << r.err;
    EXPECT_EQ(r.out, "");

    // Not a terminal, not asked: no progress.
    r = renderWithBundle({"in.#.exr", "b.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(progressOf(r.err).empty()) << r.err;

    // On a terminal (script(1) gives the run one) progress is the default.
    const std::string command = std::string(OFX_RENDER_PATH) + " --bundle '" + kBundle + "' " +
                                dir.string() + "/in.#.exr " + dir.string() + "/c.#.exr";
    r = runProgram("/usr/bin/script", {"-q", "-e", "-c", command, "/dev/null"}, dir.string());
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(progressOf(r.out), everyFrame) << r.out;

    // -q: nothing but errors, even with frames skipped and missing.
    fs::remove(file("a.2.exr"));
    r = renderWithBundle({"-q", "--skip-existing", "in.#.exr", "a.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::exists(file("a.2.exr")));
    std::ofstream(file("in.2.exr")) << "not an image";
    r = renderWithBundle({"-q", "in.#.exr", "d.#.exr"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "in.2.exr")) << r.err;
    EXPECT_EQ(countLinesStartingWith(r.err, "ofx-render: "), 1) << r.err;
}
