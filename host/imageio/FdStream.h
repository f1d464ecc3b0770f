// OpenEXR streams over an open file descriptor, so a file is read or written
// exactly where the caller opened it and never looked up again by name.
#pragma once

#include <ImfIO.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zelk::detail {

class InputFile;

// Reads `file` at explicit offsets, through a small read-ahead buffer for the
// many small reads of headers and offset tables.
class FdIStream : public Imf::IStream {
public:
    explicit FdIStream(const InputFile& file);
    bool read(char c[], int n) override;
    std::uint64_t tellg() override { return m_position; }
    void seekg(std::uint64_t position) override { m_position = position; }

private:
    const InputFile& m_file;
    std::uint64_t m_position = 0;
    std::vector<char> m_buffer;
    std::uint64_t m_bufferStart = 0; // file offset of m_buffer[0]
};

// Writes through `fd` at explicit offsets (OpenEXR seeks back to fill in the
// chunk offsets). Buffered; a failed write is remembered, because the library
// writes the offset table from a destructor that swallows exceptions.
class FdOStream : public Imf::OStream {
public:
    FdOStream(int fd, const std::string& name);
    void write(const char c[], int n) override;
    std::uint64_t tellp() override { return m_position + m_buffer.size(); }
    void seekp(std::uint64_t position) override;
    // Writes what is buffered; throws the first write error seen, if any.
    void finish();

private:
    void flushBuffer();

    int m_fd;
    std::uint64_t m_position = 0; // file offset of m_buffer[0]
    std::vector<char> m_buffer;
    int m_error = 0; // errno of the first failed write
};

} // namespace zelk::detail
