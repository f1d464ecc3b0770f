#pragma once

#include <stdexcept>
#include <string>

namespace zelk::lut {

// Every rejection of the look tools. The message already names the file and,
// where there is one, the line: "FILE:LINE: reason" or "FILE: reason".
class LutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string where(const std::string& file, int line = 0);

} // namespace zelk::lut
