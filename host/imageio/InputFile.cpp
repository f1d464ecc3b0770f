#include "InputFile.h"

#include "FormatIO.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelk::detail {

namespace {

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO (named pipe)";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

[[noreturn]] void failErrno(const std::string& path, const char* what)
{
    const int err = errno;
    fail(path, std::string(what) + ": " + std::strerror(err));
}

void requireRegular(const std::string& path, const struct stat& info)
{
    if (!S_ISREG(info.st_mode))
        fail(path, std::string("is ") + kindOf(info.st_mode) + ", not an image file");
}

} // namespace

InputFile::InputFile(const std::string& path) : m_path(path)
{
    checkRegularFile(path);
    struct stat info {};
    // Non-blocking, in case it was swapped for a FIFO since; checked again below.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0)
        failErrno(path, "cannot open");
    const bool stated = ::fstat(m_fd, &info) == 0;
    if (!stated || !S_ISREG(info.st_mode)) {
        const int err = errno;
        ::close(m_fd);
        if (stated)
            requireRegular(path, info);
        errno = err;
        failErrno(path, "cannot open");
    }
    m_size = std::uint64_t(info.st_size);
}

InputFile::~InputFile()
{
    ::close(m_fd);
}

std::size_t InputFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, out + done, count - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failErrno(m_path, "cannot read");
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return done;
}

} // namespace zelk::detail

namespace zelk {

void checkRegularFile(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        detail::failErrno(path, "cannot open");
    detail::requireRegular(path, info);
}

} // namespace zelk
