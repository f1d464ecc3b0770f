#pragma once

// A look file opened for reading only when it is a regular file, and never in a
// way that can block: a FIFO or a device named like a look file is refused, and
// so is one swapped in between the check and the open.

#include <cstdint>
#include <string>

namespace zelk::lut {

class RegularFile {
public:
    explicit RegularFile(const std::string& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    static constexpr const char* kNotRegular = "not a regular file";

    bool isOpen() const { return m_fd >= 0; }
    // Why it is not open: kNotRegular, or the system's reason.
    const std::string& error() const { return m_error; }
    // The length when it was opened.
    std::uint64_t size() const { return m_size; }
    // Reads exactly `bytes` from the current position; false (and error() says
    // why) when the file ends early or the read fails.
    bool read(char* out, std::uint64_t bytes);

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::string m_error;
};

} // namespace zelk::lut
