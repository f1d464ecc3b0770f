#include "ToolTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tooltest {

namespace fs = std::filesystem;

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ino_t inodeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               const std::string& cwd)
{
    static int s_count = 0;
    const std::string base =
        (fs::temp_directory_path() /
         ("zelk_tool_run_" + std::to_string(::getpid()) + "_" + std::to_string(s_count++)))
            .string();
    m_outPath = base + ".out";
    m_errPath = base + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // As from an interactive shell: no signal ignored or blocked (a test run
    // under nohup would otherwise pass SIGHUP's "ignore" on).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (posix_spawn(&m_pid, program.c_str(), &actions, &attributes, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

RunningProgram::~RunningProgram()
{
    if (m_pid > 0 && !m_finished) {
        ::kill(m_pid, SIGKILL);
        finish();
    }
}

RunResult RunningProgram::finish()
{
    RunResult result;
    if (m_pid > 0) {
        // A program that hangs is killed, so a test fails rather than hangs.
        int status = 0;
        struct rusage usage {};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        pid_t done = 0;
        while ((done = ::wait4(m_pid, &status, WNOHANG, &usage)) == 0 ||
               (done < 0 && errno == EINTR)) {
            if (std::chrono::steady_clock::now() > deadline)
                ::kill(m_pid, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.peakMemoryKb = usage.ru_maxrss;
    }
    m_finished = true;
    result.out = slurp(m_outPath);
    result.err = slurp(m_errPath);
    fs::remove(m_outPath);
    fs::remove(m_errPath);
    return result;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& cwd)
{
    return RunningProgram(program, args, cwd).finish();
}

int countLinesStartingWith(const std::string& text, const std::string& start)
{
    int count = 0;
    for (std::size_t at = 0; at < text.size();) {
        count += text.compare(at, start.size(), start) == 0;
        const auto end = text.find('\n', at);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return count;
}

void ScratchDirTest::SetUp()
{
    dir = fs::temp_directory_path() /
          ("zelk_tool_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
}

void ScratchDirTest::TearDown()
{
    fs::remove_all(dir);
}

std::vector<std::string> ScratchDirTest::listing() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tooltest
