// OFX::Log: when it writes, what a line looks like, and whole lines under threads.
#include "ofxsLog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> readLines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

fs::path freshPath(const std::string& name)
{
    fs::path dir = fs::temp_directory_path() / ("zelk-support-log-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path p = dir / name;
    fs::remove(p);
    return p;
}

// Must run before anything in this process names a log file.
TEST(SupportLog, WithoutARequestedFileNothingIsOpenedOrWritten)
{
    ::unsetenv("OFX_PLUGIN_LOGFILE");
    const fs::path dir = freshPath("cwd");
    fs::create_directories(dir);
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    EXPECT_FALSE(OFX::Log::open());
    EXPECT_FALSE(OFX::Log::isOpen());
    OFX::Log::print("nobody reads this");
    fs::current_path(old);
    EXPECT_TRUE(fs::is_empty(dir)) << "no stray " << OFX::Log::kDefaultFileName;
}

TEST(SupportLog, LinesAreIndentedPrefixedAndWrittenOnlyWhileOpen)
{
    const fs::path path = freshPath("lines.txt");
    ::setenv("OFX_PLUGIN_LOGFILE", path.c_str(), 1);
    OFX::Log::print("before open");
    ASSERT_TRUE(OFX::Log::open());
    OFX::Log::print("a %d", 1);
    OFX::Log::indent();
    OFX::Log::print("b %s", "x");
    OFX::Log::warning(true, "w %d", 2);
    OFX::Log::warning(false, "hidden warning");
    OFX::Log::error(true, "e");
    OFX::Log::error(false, "hidden error");
    OFX::Log::indent();
    const std::string longText(5000, 'L');
    OFX::Log::print("%s", longText.c_str());
    OFX::Log::outdent();
    OFX::Log::outdent();
    OFX::Log::outdent(); // one too many: stays at the margin
    OFX::Log::print("d");
    OFX::Log::close();
    OFX::Log::print("after close");
    ASSERT_TRUE(OFX::Log::open()) << "reopening appends";
    OFX::Log::print("again");
    OFX::Log::close();

    const std::vector<std::string> expected = {
        "a 1", "    b x", "    WARNING : w 2", "    ERROR : e", "        " + longText,
        "d",   "again"};
    EXPECT_EQ(readLines(path), expected);
}

TEST(SupportLog, ConcurrentWritersProduceWholeLines)
{
    const fs::path path = freshPath("threads.txt");
    ::setenv("OFX_PLUGIN_LOGFILE", path.c_str(), 1);
    ASSERT_TRUE(OFX::Log::open());
    constexpr int kThreads = 8, kLines = 1500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            // Each thread nests to its own depth; the depth must not leak to others.
            for (int i = 0; i < t % 3; ++i)
                OFX::Log::indent();
            const std::string pad(40 + t * 7, static_cast<char>('a' + t));
            for (int j = 0; j < kLines; ++j)
                OFX::Log::print("thread %d line %d %s", t, j, pad.c_str());
            for (int i = 0; i < t % 3; ++i)
                OFX::Log::outdent();
        });
    for (std::thread& th : threads)
        th.join();
    OFX::Log::close();

    std::map<int, int> nextLine;
    const std::vector<std::string> lines = readLines(path);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    for (const std::string& line : lines) {
        const size_t indent = line.find_first_not_of(' ');
        int t = -1, j = -1, consumed = 0;
        const char* body = line.c_str() + (indent == std::string::npos ? line.size() : indent);
        ASSERT_EQ(std::sscanf(body, "thread %d line %d %n", &t, &j, &consumed), 2)
            << "torn line: " << line.substr(0, 80);
        ASSERT_TRUE(t >= 0 && t < kThreads) << line.substr(0, 80);
        EXPECT_EQ(indent, static_cast<size_t>(4 * (t % 3)));
        EXPECT_EQ(std::string(body + consumed),
                  std::string(40 + t * 7, static_cast<char>('a' + t)));
        EXPECT_EQ(j, nextLine[t]++) << "each thread's lines keep their order";
    }
}

} // namespace
