// Files written and removed all or nothing: the rollback of a group and
// interruption by a signal. (The output checks: zelk-lut's, CliFileTest.cpp.)

#include "AtomicFile.h"
#include "LooksTestUtil.h"
#include "LutError.h"
#include "SignalCleanup.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zelk::lut;
using namespace looks_test;

namespace {

std::vector<std::string> entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `body` in a child process and returns its wait status.
template <typename Body> int inChild(Body body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

bool killedBy(int status, int signal)
{
    return WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

} // namespace

TEST(AtomicFile, AFailedGroupPutsEveryFileBack)
{
    TempDir dir("atomic-group");
    const std::string first = dir.file("first"), fresh = dir.file("fresh");
    writeFile(first, "old first");
    // The last target's directory is missing: its rename fails after the
    // other two went through.
    const std::string blocked = dir.file("later/blocked");
    const PendingFile files[3] = {{first, "new first"}, {fresh, "new fresh"}, {blocked, "x"}};
    try {
        writeFilesAtomic(files, 3, dir.path().string());
        FAIL() << "the blocked rename went through";
    } catch (const LutError& e) {
        EXPECT_NE(std::string(e.what()).find(blocked + ": cannot rename"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("put back"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(first), "old first");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"first"});

    // Without the obstacle the whole group lands.
    fs::create_directory(dir.file("later"));
    writeFilesAtomic(files, 3, dir.path().string());
    EXPECT_EQ(readFile(first), "new first");
    EXPECT_EQ(readFile(blocked), "x");
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"first", "fresh", "later"}));

    // A target that is not a file is refused before anything changes.
    fs::create_directories(dir.file("folder/inside"));
    const PendingFile onto[2] = {{first, "newer"}, {dir.file("folder"), "x"}};
    EXPECT_THROW(writeFilesAtomic(onto, 2), LutError);
    EXPECT_EQ(readFile(first), "new first");
}

TEST(AtomicFile, RemovalIsAllOrNothing)
{
    TempDir dir("atomic-remove");
    const std::string a = dir.file("a"), b = dir.file("b");
    writeFile(a, "a");
    writeFile(b, "b");
    fs::create_directory(dir.file("aside"));
    // A path on another file system cannot be moved aside: the first file returns.
    const std::string elsewhere = "/dev/shm/zelk-atomic-" + std::to_string(::getpid());
    writeFile(elsewhere, "c");
    struct stat here {
    }, there{};
    ::stat(dir.path().c_str(), &here);
    ::stat(elsewhere.c_str(), &there);
    if (here.st_dev != there.st_dev) {
        EXPECT_THROW(removeFilesAtomic({a, elsewhere}, dir.file("aside")), LutError);
        EXPECT_EQ(readFile(a), "a");
        EXPECT_TRUE(fs::is_empty(dir.file("aside")));
    }
    ::unlink(elsewhere.c_str());
    removeFilesAtomic({a, dir.file("missing"), b}, dir.file("aside"));
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"aside"});
    EXPECT_TRUE(fs::is_empty(dir.file("aside")));
}

TEST(AtomicFile, ASignalDuringACommitActsOnceItIsComplete)
{
    TempDir dir("atomic-signal");
    const std::string done = dir.file("done");
    const int status = inChild([&] {
        {
            const HoldSignals hold;
            ::raise(SIGTERM);
            writeFile(done, "complete");
        }
        ::pause();
    });
    EXPECT_TRUE(killedBy(status, SIGTERM)) << "status " << status;
    EXPECT_EQ(readFile(done), "complete");
}

TEST(AtomicFile, InterruptedWriteLeavesTheOldFileOrTheNewOne)
{
    // A timer interrupts a large write at some point: before, during or after
    // the temporary file; never a half file or a stray temporary, whichever
    // signal ends the tool.
    TempDir dir("atomic-interrupt");
    const std::string target = dir.file("target");
    writeFile(target, "old");
    const std::string bytes(32 << 20, 'n');
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        for (long delayNs : {1000000L, 5000000L, 20000000L}) {
            const int status = inChild([&] {
                timer_t timer;
                sigevent event{};
                event.sigev_notify = SIGEV_SIGNAL;
                event.sigev_signo = signal;
                itimerspec when{};
                when.it_value.tv_nsec = delayNs;
                if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0 ||
                    ::timer_settime(timer, 0, &when, nullptr) != 0)
                    ::_exit(3);
                writeFileAtomic(target, bytes);
                ::pause();
            });
            EXPECT_TRUE(killedBy(status, signal)) << "status " << status;
            const std::string now = readFile(target);
            EXPECT_TRUE(now == "old" || now == bytes) << now.size() << " bytes";
            EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"target"});
            writeFile(target, "old");
        }
}
