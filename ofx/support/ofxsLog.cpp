// The trace log: one mutex guards the file so whole lines never interleave.
#include "ofxsLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace OFX {
namespace Log {

const char* const kDefaultFileName = "ofxPluginLog.txt";

namespace {

std::mutex gMutex;
FILE* gFile = nullptr;
std::atomic<bool> gOpen{false}; // lets closed-log calls skip formatting
bool gNameSet = false;          // setFileName was called
std::string gFileName;
thread_local int tIndent = 0;

std::string requestedFileName()
{
    if (gNameSet)
        return gFileName.empty() ? kDefaultFileName : gFileName;
    const char* env = std::getenv("OFX_PLUGIN_LOGFILE");
    if (env == nullptr)
        return std::string();
    return *env ? env : kDefaultFileName;
}

void writeLineUnguarded(const char* prefix, const char* format, va_list args)
{
    // Format outside the lock; the file is touched only under it.
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0)
        return;
    std::string line(static_cast<size_t>(tIndent > 0 ? tIndent * 4 : 0), ' ');
    line += prefix;
    size_t start = line.size();
    line.resize(start + static_cast<size_t>(n) + 1);
    std::vsnprintf(&line[start], static_cast<size_t>(n) + 1, format, args);
    line[start + static_cast<size_t>(n)] = '\n';

    std::lock_guard<std::mutex> lock(gMutex);
    if (gFile == nullptr)
        return;
    std::fwrite(line.data(), 1, line.size(), gFile);
    std::fflush(gFile);
}

// Logging must never throw into the caller (it runs inside catch handlers too).
void writeLine(const char* prefix, const char* format, va_list args)
{
    if (!gOpen.load(std::memory_order_relaxed))
        return;
    try {
        writeLineUnguarded(prefix, format, args);
    } catch (...) {
    }
}

} // namespace

void setFileName(const std::string& name)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gNameSet = true;
    gFileName = name;
}

bool open()
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (gFile)
        return true;
    std::string name = requestedFileName();
    if (name.empty())
        return false;
    gFile = std::fopen(name.c_str(), "a");
    gOpen = gFile != nullptr;
    return gOpen;
}

void close()
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (gFile)
        std::fclose(gFile);
    gFile = nullptr;
    gOpen = false;
}

bool isOpen()
{
    std::lock_guard<std::mutex> lock(gMutex);
    return gFile != nullptr;
}

void indent()
{
    ++tIndent;
}
void outdent()
{
    if (tIndent > 0)
        --tIndent;
}

void print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine("", format, args);
    va_end(args);
}

void warning(bool condition, const char* format, ...)
{
    if (!condition)
        return;
    va_list args;
    va_start(args, format);
    writeLine("WARNING : ", format, args);
    va_end(args);
}

void error(bool condition, const char* format, ...)
{
    if (!condition)
        return;
    va_list args;
    va_start(args, format);
    writeLine("ERROR : ", format, args);
    va_end(args);
}

} // namespace Log
} // namespace OFX
