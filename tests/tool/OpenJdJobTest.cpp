// jobs/ofx-render/template.yaml as a farm runs it, through openjd-cli (from PyPI,
// in the venv ./build.sh makes): the template is valid, each chunk of frames
// renders what a direct ofx-render run renders, a second run renders only the
// frames whose output is missing, and a setting never runs as shell text.
#include "OfxRenderFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace fs = std::filesystem;
using namespace tooltest;

namespace {

const std::string kTemplate = std::string(ZELK_TEST_SOURCE_DIR) + "/jobs/ofx-render/template.yaml";

// `text` as a JSON string literal.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

class OpenJdJobTest : public OfxRenderTest {
protected:
    void SetUp() override
    {
        OfxRenderTest::SetUp();
        ASSERT_TRUE(fs::exists(ZELK_OPENJD))
            << ZELK_OPENJD << " is missing (./build.sh test installs openjd-cli into build/venv)";
    }

    // `openjd run` of the template with these job parameters (JSON values).
    RunResult runJob(const std::vector<std::pair<std::string, std::string>>& parameters)
    {
        std::string json = "{";
        for (const auto& [name, value] : parameters)
            json += (json.size() > 1 ? ", " : "") + quoted(name) + ": " + value;
        std::ofstream(file("params.json")) << json << "}";
        return runProgram(ZELK_OPENJD, {"run", kTemplate, "-p", "file://" + file("params.json")},
                          dir.string());
    }

    std::vector<std::pair<std::string, std::string>> baseParameters(const std::string& settings)
    {
        return {{"InputDir", quoted(dir.string())},
                {"InputPattern", quoted("in.####.exr")},
                {"OutputDir", quoted(file("graded"))},
                {"OutputPattern", quoted("g.####.exr")},
                {"Frames", quoted("1-5")},
                {"ChunkSize", "2"},
                {"Look", quoted("Teal Orange")},
                {"Intensity", "0.7"},
                {"Curve", quoted("Tevo3/QXR3")},
                {"Settings", quoted(settings)},
                {"Bundle", quoted(kBundle)},
                {"OfxRender", quoted(OFX_RENDER_PATH)}};
    }
};

// The frames ofx-render reported, and the chunk size each was rendered in.
std::vector<std::string> framesRendered(const std::string& log)
{
    static const std::regex line(R"(frame ([0-9]+) \([0-9]+ of ([0-9]+)\))");
    std::vector<std::string> frames;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator();
         ++it)
        frames.push_back((*it)[1].str() + "/" + (*it)[2].str());
    return frames;
}

} // namespace

TEST_F(OpenJdJobTest, ChunksRenderWhatADirectRunRendersAndARerunOnlyWhatIsMissing)
{
    const RunResult check = runProgram(ZELK_OPENJD, {"check", kTemplate}, dir.string());
    ASSERT_EQ(check.exitCode, 0) << check.out << check.err;

    for (int f = 1; f <= 5; ++f)
        writeChart("in.000" + std::to_string(f) + ".exr", 30 + f, 20);
    // A further setting overrides the intensity; blank lines are nothing.
    RunResult r = runJob(baseParameters("color=0.55\n\n"));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(framesRendered(r.out), (std::vector<std::string>{"1/2", "2/2", "3/2", "4/2", "5/1"}))
        << r.out;

    r = renderWithBundle({"--set", "printStock=Teal Orange", "--set", "color=0.55", "--set",
                          "colorSpaceTransform=Tevo3/QXR3", "in.####.exr", "direct.####.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<ino_t> inodes;
    for (int f = 1; f <= 5; ++f) {
        const std::string name = "000" + std::to_string(f) + ".exr";
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(file("graded/g." + name)));
        EXPECT_TRUE(slurp(file("graded/g." + name)) == slurp(file("direct." + name)));
        inodes.push_back(inodeOf(file("graded/g." + name)));
    }
    ASSERT_NE(slurp(file("direct.0001.exr")), slurp(file("in.0001.exr")));

    // As after a pre-empted task: the rerun renders frame 3 alone.
    fs::remove(file("graded/g.0003.exr"));
    r = runJob(baseParameters("color=0.55"));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(framesRendered(r.out), std::vector<std::string>{"3/1"}) << r.out;
    EXPECT_TRUE(slurp(file("graded/g.0003.exr")) == slurp(file("direct.0003.exr")));
    for (int f : {1, 2, 4, 5})
        EXPECT_EQ(inodeOf(file("graded/g.000" + std::to_string(f) + ".exr")), inodes[f - 1]) << f;
}

TEST_F(OpenJdJobTest, ASettingIsPassedAsItIsWrittenNeverRunAsShellText)
{
    writeChart("in.0001.exr");
    auto parameters = baseParameters("color=$(touch run1)`touch run2`\nprintStock=;touch run3");
    parameters[4].second = quoted("1");
    const RunResult r = runJob(parameters);
    EXPECT_NE(r.exitCode, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "$(touch run1)")) << "ofx-render names the value it refused";
    for (const char* name : {"run1", "run2", "run3"})
        EXPECT_FALSE(fs::exists(file(name))) << name;
    EXPECT_FALSE(fs::exists(file("graded/g.0001.exr")));
}
