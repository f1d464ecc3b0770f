#include "Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ofxrender {

std::string durationText(double seconds)
{
    const long whole = std::lround(std::max(0.0, seconds));
    char text[48];
    if (whole < 60)
        std::snprintf(text, sizeof text, "%ld s", whole);
    else if (whole < 3600)
        std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld h %02ld min", whole / 3600, whole / 60 % 60);
    return text;
}

std::string progressLine(long frame, std::size_t done, std::size_t total, double frameSeconds,
                         double elapsedSeconds)
{
    const double rate = elapsedSeconds > 0.0 ? double(done) / elapsedSeconds : 0.0;
    const double left = done > 0 ? elapsedSeconds / double(done) * double(total - done) : 0.0;
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, ": %.2f s, %.2f frames/s, ", frameSeconds, rate);
    return "frame " + std::to_string(frame) + " (" + std::to_string(done) + " of " +
           std::to_string(total) + ")" + numbers + durationText(left) + " left";
}

ProgressReport::ProgressReport(std::ostream& out, std::size_t total)
    : m_out(out), m_total(total), m_start(Clock::now()), m_last(m_start)
{
}

void ProgressReport::frameWritten(long frame)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Clock::time_point now = Clock::now();
    const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    ++m_done;
    m_out << progressLine(frame, m_done, m_total, seconds(now - m_last), seconds(now - m_start))
          << std::endl;
    m_last = now;
}

} // namespace ofxrender
