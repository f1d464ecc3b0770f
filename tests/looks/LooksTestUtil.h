#pragma once

// Helpers of the look tests: scratch directories, files, .cube tables and
// running zelk-lut.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

using CubeFn = std::function<void(const double in[3], double out[3])>;

// Rows of a .cube 3D table of `n` points sampling `f` over [lo, hi] per
// channel, red fastest, in float text that reads back exactly.
inline std::string cubeRows(int n, const CubeFn& f, double lo = 0.0, double hi = 1.0)
{
    std::string rows;
    char row[96];
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const double step = (hi - lo) / (n - 1);
                const double in[3] = {lo + step * r, lo + step * g, lo + step * b};
                double out[3];
                f(in, out);
                std::snprintf(row, sizeof row, "%.9g %.9g %.9g\n", out[0], out[1], out[2]);
                rows += row;
            }
    return rows;
}

// A whole .cube file whose output channel c is input channel from[c].
inline std::string permutationCube(int n, int fromR = 0, int fromG = 1, int fromB = 2)
{
    return "LUT_3D_SIZE " + std::to_string(n) + "\n" +
           cubeRows(n, [=](const double in[3], double out[3]) {
               out[0] = in[fromR];
               out[1] = in[fromG];
               out[2] = in[fromB];
           });
}

struct CommandResult {
    int status = -1;
    std::string output; // stdout and stderr together
};

// Runs `program` with `args`, each quoted for the shell.
inline CommandResult runProgram(const std::string& program, const std::vector<std::string>& args)
{
    auto quote = [](const std::string& s) {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    std::string command = quote(program);
    for (const std::string& arg : args)
        command += " " + quote(arg);
    CommandResult r;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
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

inline bool says(const std::string& output, const std::string& text)
{
    return output.find(text) != std::string::npos;
}
inline bool says(const CommandResult& r, const std::string& text)
{
    return says(r.output, text);
}

inline CommandResult zelkLutArgs(const std::vector<std::string>& args)
{
    return runProgram(ZELK_LUT_EXE, args);
}

template <typename... Args> CommandResult zelkLut(const Args&... args)
{
    return zelkLutArgs({std::string(args)...});
}

} // namespace looks_test
