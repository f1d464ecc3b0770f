// Where ofx-render's outputs land in a folder others can write to: nothing
// planted there redirects a frame, and nothing of ours is left behind.
#include "OfxRenderFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace tooltest;

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The process ids the next programs started on this machine will most likely get.
std::vector<long> likelyNextPids()
{
    long last = 0;
    std::ifstream("/proc/sys/kernel/ns_last_pid") >> last;
    std::vector<long> pids;
    for (long pid = last + 1; pid <= last + 300; ++pid)
        pids.push_back(pid);
    return pids;
}

class OfxRenderOutputTest : public OfxRenderTest {
protected:
    // Links, to `victim`, at every temporary name a writer of `output` could
    // be expected to use.
    void plantTemporaryLinks(const std::string& output, const std::string& victim)
    {
        std::vector<std::string> names = {"." + output + ".tmp", output + ".tmp", output + "~",
                                          "." + output + ".ofx-render.tmp"};
        for (long pid : likelyNextPids())
            names.push_back("." + output + ".ofx-render-" + std::to_string(pid) + ".tmp");
        for (const std::string& name : names)
            fs::create_symlink(victim, dir / name);
    }
    void expectRegularFrame(const std::string& name, int width)
    {
        EXPECT_EQ(fs::symlink_status(file(name)).type(), fs::file_type::regular) << name;
        EXPECT_EQ(zelk::readImage(file(name)).width, width) << name;
    }
};

} // namespace

TEST_F(OfxRenderOutputTest, PlantedLinksNeverMakeARenderWriteAnotherFile)
{
    writeChart("in.exr");
    std::ofstream(file("victim.txt")) << "precious";
    plantTemporaryLinks("out.exr", "victim.txt");
    RunResult r = renderWithBundle({"in.exr", "out.exr"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectRegularFrame("out.exr", 64);

    // At the output's own name: refused without -y; replaced, not written through, with it.
    for (const char* target : {"victim.txt", "absent.txt"}) {
        SCOPED_TRACE(target);
        fs::remove(file("link.exr"));
        fs::create_symlink(target, file("link.exr"));
        r = renderWithBundle({"in.exr", "link.exr"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, "use -y")) << r.err;
        EXPECT_TRUE(fs::is_symlink(file("link.exr")));
        r = renderWithBundle({"-y", "in.exr", "link.exr"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        expectRegularFrame("link.exr", 64);
    }
    EXPECT_TRUE(slurp(file("victim.txt")) == "precious") << "victim.txt was written";
    EXPECT_FALSE(fs::exists(file("absent.txt")));
}

TEST_F(OfxRenderOutputTest, PlantedLinksNeverRedirectAFrameOfASequence)
{
    for (int f = 1; f <= 3; ++f) {
        writeChart("in." + std::to_string(f) + ".exr", 10 + f, 6);
        plantTemporaryLinks("out." + std::to_string(f) + ".exr", "victim.txt");
    }
    std::ofstream(file("victim.txt")) << "precious";
    fs::create_symlink("victim.txt", file("out.2.exr"));

    const RunResult r = renderWithBundle({"-y", "in.#.exr", "out.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (int f = 1; f <= 3; ++f)
        expectRegularFrame("out." + std::to_string(f) + ".exr", 10 + f);
    EXPECT_TRUE(slurp(file("victim.txt")) == "precious") << "victim.txt was written";
}

TEST_F(OfxRenderOutputTest, OutputsGetTheModeTheUmaskGivesAndNoTemporaryFileStays)
{
    writeChart("in.exr");
    const mode_t previous = ::umask(027);
    const RunResult r = renderWithBundle({"in.exr", "out.tif"});
    ::umask(previous);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    struct stat info {};
    ASSERT_EQ(::stat(file("out.tif").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(listing(), (std::vector<std::string>{"in.exr", "out.tif"}));
}
