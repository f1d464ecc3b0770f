#pragma once

#include <string>
#include <vector>

// The back-end's log lines, read back from the support library's log file (one
// per test process, in the build tree).
namespace RecordingLog {
// Empties the log and opens it, so that the lines logged from now on are kept.
void clear();
std::vector<std::string> lines();
// Lines that start with `prefix`.
std::vector<std::string> linesStartingWith(const std::string& prefix);
} // namespace RecordingLog
