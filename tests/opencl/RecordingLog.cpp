#include "RecordingLog.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

#include "ofxsLog.h"

namespace {

std::string log_path();

void remove_log()
{
    OFX::Log::close();
    std::remove(log_path().c_str());
}

std::string log_path()
{
    static const std::string path = [] {
        const std::string name = std::string(ZELK_TEST_BUILD_DIR) + "/opencl-test-" +
                                 std::to_string(static_cast<long>(::getpid())) + ".log";
        OFX::Log::setFileName(name);
        return name;
    }();
    // Registered after `path` exists, so it runs before `path` is destroyed.
    static const int removal = std::atexit(remove_log);
    (void)removal;
    return path;
}

} // namespace

namespace RecordingLog {

void clear()
{
    const std::string path = log_path();
    OFX::Log::close();
    std::remove(path.c_str());
    OFX::Log::open();
}

std::vector<std::string> lines()
{
    std::vector<std::string> found;
    std::ifstream in(log_path());
    for (std::string line; std::getline(in, line);)
        found.push_back(line);
    return found;
}

std::vector<std::string> linesStartingWith(const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : lines())
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    return found;
}

} // namespace RecordingLog
