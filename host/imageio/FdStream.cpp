#include "FdStream.h"

#include "InputFile.h"

#include <Iex.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace zelk::detail {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::size_t kReadAhead = 1 << 16;

} // namespace

FdIStream::FdIStream(const InputFile& file) : Imf::IStream(file.path().c_str()), m_file(file) {}

bool FdIStream::read(char c[], int n)
{
    const std::size_t count = std::size_t(n);
    const bool buffered =
        m_position >= m_bufferStart && m_position + count <= m_bufferStart + m_buffer.size();
    if (!buffered && count < kReadAhead) {
        m_buffer.resize(kReadAhead);
        m_buffer.resize(m_file.readAt(m_position, m_buffer.data(), kReadAhead));
        m_bufferStart = m_position;
    }
    if (m_position >= m_bufferStart && m_position + count <= m_bufferStart + m_buffer.size()) {
        std::memcpy(c, m_buffer.data() + (m_position - m_bufferStart), count);
    } else if (m_file.readAt(m_position, c, count) != count) {
        throw IEX_NAMESPACE::InputExc("Unexpected end of file.");
    }
    m_position += count;
    return true;
}

FdOStream::FdOStream(int fd, const std::string& name) : Imf::OStream(name.c_str()), m_fd(fd)
{
    m_buffer.reserve(kBufferSize);
}

void FdOStream::write(const char c[], int n)
{
    if (m_buffer.size() + std::size_t(n) > kBufferSize)
        flushBuffer();
    m_buffer.insert(m_buffer.end(), c, c + n);
}

void FdOStream::seekp(std::uint64_t position)
{
    flushBuffer();
    m_position = position;
}

void FdOStream::flushBuffer()
{
    std::size_t done = 0;
    while (done < m_buffer.size() && m_error == 0) {
        const ssize_t n = ::pwrite(m_fd, m_buffer.data() + done, m_buffer.size() - done,
                                   off_t(m_position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            m_error = n < 0 ? errno : EIO;
        else
            done += std::size_t(n);
    }
    m_position += m_buffer.size();
    m_buffer.clear();
    if (m_error != 0)
        throw IEX_NAMESPACE::IoExc(std::string("cannot write: ") + std::strerror(m_error));
}

void FdOStream::finish()
{
    if (m_error == 0)
        flushBuffer();
    if (m_error != 0)
        throw IEX_NAMESPACE::IoExc(std::string("cannot write: ") + std::strerror(m_error));
}

} // namespace zelk::detail
