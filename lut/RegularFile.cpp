#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zelk::lut {

RegularFile::RegularFile(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        m_error = std::strerror(errno);
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        m_error = kNotRegular;
        return;
    }
    // O_NONBLOCK: should a FIFO have taken the file's place since stat, the open
    // returns at once instead of waiting for a writer; the check below refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = std::strerror(errno);
        return;
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        m_error = kNotRegular;
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RegularFile::read(char* out, std::uint64_t bytes)
{
    while (bytes > 0) {
        const std::size_t chunk = bytes < (1u << 30) ? static_cast<std::size_t>(bytes) : (1u << 30);
        const ssize_t got = ::read(m_fd, out, chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            m_error = got < 0 ? std::strerror(errno) : "the file ended early";
            return false;
        }
        out += got;
        bytes -= static_cast<std::uint64_t>(got);
    }
    return true;
}

} // namespace zelk::lut
