// Where ofx-render's outputs land in a folder others can write to: nothing
// planted there redirects a frame, and nothing of ours is left behind.
#include "OfxRenderFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using namespace tooltest;

namespace {

class OfxRenderOutputTest : public OfxRenderTest {
protected:
    // Links, to `victim`, at every temporary name a writer of `output` could be expected to
    // use, the process ids the next programs will most likely get among them.
    void plantTemporaryLinks(const std::string& output, const std::string& victim)
    {
        std::vector<std::string> names = {"." + output + ".tmp", output + ".tmp", output + "~",
                                          "." + output + ".ofx-render.tmp"};
        long last = 0;
        std::ifstream("/proc/sys/kernel/ns_last_pid") >> last;
        for (long pid = last + 1; pid <= last + 300; ++pid)
            names.push_back("." + output + ".ofx-render-" + std::to_string(pid) + ".tmp");
        for (const std::string& name : names)
            fs::create_symlink(victim, dir / name);
    }
    // Names in the folder that are temporary files of ours.
    std::vector<std::string> temporaryFiles(const std::string& output = "") const
    {
        std::vector<std::string> found;
        for (const std::string& name : listing())
            if (name.find(".ofx-render-") != std::string::npos && name.rfind("." + output, 0) == 0)
                found.push_back(name);
        return found;
    }
    void expectRegularFrame(const std::string& name, int width)
    {
        EXPECT_EQ(fs::symlink_status(file(name)).type(), fs::file_type::regular) << name;
        EXPECT_EQ(zelk::readImage(file(name)).width, width) << name;
    }
};

} // namespace

TEST_F(OfxRenderOutputTest, PlantedLinksNeverMakeARenderOrASequenceWriteAnotherFile)
{
    writeChart("in.exr");
    std::ofstream(file("victim.txt")) << "precious";
    plantTemporaryLinks("out.exr", "victim.txt");
    RunResult r = renderWithBundle({"in.exr", "out.exr"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    expectRegularFrame("out.exr", 64);

    // Whatever is at the output's name, a link included: refused without -y; replaced, not
    // written through, with it.
    for (const char* existing : {"", "victim.txt", "absent.txt"}) {
        SCOPED_TRACE(existing);
        const bool isFile = !*existing;
        fs::remove(file("old.png"));
        if (isFile)
            std::ofstream(file("old.png")) << "keep me";
        else
            fs::create_symlink(existing, file("old.png"));
        r = renderWithBundle({"in.exr", "old.png"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, "use -y")) << r.err;
        EXPECT_TRUE(isFile ? slurp(file("old.png")) == "keep me" : fs::is_symlink(file("old.png")));
        r = renderWithBundle({isFile ? "--overwrite" : "-y", "in.exr", "old.png"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        expectRegularFrame("old.png", 64);
    }
    EXPECT_EQ(zelk::readImage(file("old.png")).storedAs, zelk::SampleType::UInt16)
        << "float input, PNG output";

    // The same for every frame of a sequence, one of them with a link at its output name.
    for (int f = 1; f <= 3; ++f) {
        writeChart("in." + std::to_string(f) + ".exr", 10 + f, 6);
        plantTemporaryLinks("seq." + std::to_string(f) + ".exr", "victim.txt");
    }
    fs::create_symlink("victim.txt", file("seq.2.exr"));
    r = renderWithBundle({"-y", "in.#.exr", "seq.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (int f = 1; f <= 3; ++f)
        expectRegularFrame("seq." + std::to_string(f) + ".exr", 10 + f);
    EXPECT_TRUE(slurp(file("victim.txt")) == "precious") << "victim.txt was written";
    EXPECT_FALSE(fs::exists(file("absent.txt")));
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

    // As on NFS, where renameat2 with RENAME_NOREPLACE fails with EINVAL: the hard-link
    // fallback leaves only the output, and still does not replace one.
    ::setenv("LD_PRELOAD", NO_RENAME_NOREPLACE_PATH, 1);
    ::setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
    const RunResult first = renderWithBundle({"in.exr", "out.exr"});
    const RunResult again = renderWithBundle({"in.exr", "out.exr"});
    ::unsetenv("LD_PRELOAD");
    ::unsetenv("ASAN_OPTIONS");
    EXPECT_EQ(first.exitCode, 0) << first.err;
    expectRegularFrame("out.exr", 64);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(contains(again.err, "use -y")) << again.err;
    EXPECT_EQ(listing(), (std::vector<std::string>{"in.exr", "out.exr", "out.tif"}));
}

TEST_F(OfxRenderOutputTest, ASignalMidWriteRemovesThatFrameOnlyAndEndsTheRunByTheSignal)
{
    // Noise, so that writing a frame (ZIP of floats) takes a while.
    zelk::RgbaImage noise{768, 512};
    std::mt19937 random(7);
    for (float& v : noise.pixels)
        v = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    for (int f = 1; f <= 3; ++f)
        zelk::writeImage(file("in." + std::to_string(f) + ".exr"), noise, zelk::FileFormat::Exr,
                         zelk::SampleType::Float);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        for (int f = 1; f <= 3; ++f)
            fs::remove(file("out." + std::to_string(f) + ".exr"));
        RunningProgram run(OFX_RENDER_PATH, {"--bundle", kBundle, "in.#.exr", "out.#.exr"},
                           dir.string());
        // Frame 1 written, frame 2 being written: the signal lands mid-write.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!(fs::exists(file("out.1.exr")) && !temporaryFiles("out.2.exr").empty())) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "frame 2 was never written";
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        ::kill(run.pid(), signal);
        const RunResult r = run.finish();
        EXPECT_EQ(r.exitCode, 128 + signal) << r.err;
        EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(file("out.3.exr")));
        // Whatever was finished is whole (frame 2 may have been renamed just before).
        for (const char* name : {"out.1.exr", "out.2.exr"}) {
            if (fs::exists(file(name))) {
                EXPECT_EQ(zelk::readImage(file(name)).width, 768) << name;
            }
        }
    }
}
