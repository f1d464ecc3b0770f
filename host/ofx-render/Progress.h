// ofx-render's progress: one line per frame written, with the time it took,
// the rate so far and the time the rest will take at that rate.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>

namespace ofxrender {

// "frame 1001 (3 of 10): 0.84 s, 1.19 frames/s, 6 s left". `frameSeconds`:
// since the previous frame was written (the start, for the first);
// `elapsedSeconds`: since the start.
std::string progressLine(long frame, std::size_t done, std::size_t total, double frameSeconds,
                         double elapsedSeconds);

// "45 s", "3 min 05 s", "2 h 07 min".
std::string durationText(double seconds);

class ProgressReport {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the clock for `total` frames.
    ProgressReport(std::ostream& out, std::size_t total);
    // Prints the line of the next frame written; safe from any thread.
    void frameWritten(long frame);

private:
    std::ostream& m_out;
    std::size_t m_total;
    std::size_t m_done = 0;
    Clock::time_point m_start;
    Clock::time_point m_last;
    std::mutex m_mutex;
};

} // namespace ofxrender
