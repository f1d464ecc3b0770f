#include "RecordingLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex g_mutex;
std::vector<std::string> g_lines;
} // namespace

namespace OFX {
namespace Log {
void print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::vsnprintf(line.data(), line.size() + 1, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.push_back(std::move(line));
}
} // namespace Log
} // namespace OFX

namespace RecordingLog {

void clear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
}

std::vector<std::string> lines()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lines;
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
