// An image file opened for reading. Anything but a regular file (a FIFO, a
// device, a directory) is refused before it is opened, so a read never hangs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelk::detail {

class InputFile {
public:
    // Throws ImageIOError naming the file and what it is when it is not a regular file.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& path() const { return m_path; }
    int fd() const { return m_fd; }
    std::uint64_t size() const { return m_size; }
    // Reads up to `count` bytes at `offset`; returns how many there were
    // (fewer only at the end of the file). Throws ImageIOError on a read error.
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const;

private:
    std::string m_path;
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

} // namespace zelk::detail
