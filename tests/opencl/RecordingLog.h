#pragma once

#include <string>
#include <vector>

// The tests link their own OFX::Log::print, which keeps every line so that the
// back-end's messages can be checked.
namespace RecordingLog {
void clear();
std::vector<std::string> lines();
// Lines that start with `prefix`.
std::vector<std::string> linesStartingWith(const std::string& prefix);
} // namespace RecordingLog
