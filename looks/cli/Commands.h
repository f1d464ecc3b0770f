#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace zelk::lut::cli {

// A command line that does not fit any command: exit status 2 with the usage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const char* usageText();

// Runs one command line (without the program name); returns the exit status.
// Failures of the input throw LutError (exit status 1).
int run(const std::vector<std::string>& args);

} // namespace zelk::lut::cli
