#pragma once

// Small helpers of the look tests: scratch directories, files and running the
// zelk-lut command.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace looks_test {

namespace fs = std::filesystem;

// A fresh directory under the build tree, removed with the object.
class TempDir {
public:
    explicit TempDir(const std::string& tag)
    {
        static int counter = 0;
        m_path = fs::path(ZELK_TEST_BUILD_DIR) / "looks-test-tmp" /
                 (tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct CommandResult {
    int status = -1;
    std::string output; // stdout and stderr together
};

inline std::string shellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs zelk-lut with `args` (each quoted for the shell).
template <typename... Args> CommandResult zelkLut(const Args&... args)
{
    std::string command = shellQuote(ZELK_LUT_EXE);
    ((command += " " + shellQuote(std::string(args))), ...);
    command += " 2>&1";
    CommandResult r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.output.append(buffer, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace looks_test
