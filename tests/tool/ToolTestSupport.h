// Shared helpers of the tool tests: a scratch directory, running a program and
// reading what it printed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tooltest {

struct RunResult {
    int exitCode = -1; // 128 + N when signal N ended it
    std::string out;
    std::string err;
    long peakMemoryKb = 0; // the most resident memory it used
};

// `program` with `args` (no shell) started in `cwd`; finish() waits for it,
// killing it (SIGKILL) when it still runs two minutes later.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& cwd);
    ~RunningProgram(); // kills it if it was not waited for
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    pid_t pid() const { return m_pid; }
    RunResult finish();

private:
    pid_t m_pid = -1;
    bool m_finished = false;
    std::string m_outPath;
    std::string m_errPath;
};

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& cwd);

// The bytes of a file ("" when it cannot be read), and its inode (0 when it is missing).
std::string slurp(const std::string& path);
ino_t inodeOf(const std::string& path);

// Lines of `text` that begin with `start` (the tool's own messages; the plug-in
// and the host library may print lines of theirs).
int countLinesStartingWith(const std::string& text, const std::string& start);

// A fresh directory per test, removed afterwards.
class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string file(const std::string& name) const { return (dir / name).string(); }
    // Names in the directory (hidden ones included), sorted.
    std::vector<std::string> listing() const;
    std::filesystem::path dir;
};

} // namespace tooltest
