#include "OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ofxrender {

namespace {

constexpr int kNameAttempts = 16;
constexpr std::size_t kMaxNameBytes = 255;

[[noreturn]] void fail(const std::string& path, const std::string& reason)
{
    throw zelk::ImageIOError("'" + path + "': " + reason);
}

[[noreturn]] void failExists(const std::string& path)
{
    fail(path, "output exists (use -y to replace it)");
}

[[noreturn]] void failErrno(const std::string& path, const std::string& what, int err)
{
    if (err == EEXIST)
        failExists(path);
    fail(path, what + ": " + std::strerror(err));
}

// Twelve characters from 62: 71 bits no one outside this process can guess.
std::string randomTag()
{
    static const char kAlphabet[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    unsigned char bytes[12];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno != EINTR)
            throw zelk::ImageIOError(std::string("no random numbers: ") + std::strerror(errno));
        got += n > 0 ? std::size_t(n) : 0;
    }
    std::string tag;
    for (unsigned char b : bytes)
        tag += kAlphabet[b % 62];
    return tag;
}

// ".NAME.ofx-render-TAG.tmp", the name shortened to fit the file-name limit.
std::string temporaryNameFor(const std::string& name)
{
    const std::string tag = ".ofx-render-" + randomTag() + ".tmp";
    const std::size_t room = kMaxNameBytes - 1 - tag.size();
    return "." + name.substr(0, room) + tag;
}

} // namespace

PendingOutput::PendingOutput(const std::string& path, bool overwrite)
    : m_path(path), m_overwrite(overwrite)
{
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    m_name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (m_name.empty() || m_name == "." || m_name == "..")
        fail(path, "output is a directory");

    m_dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0)
        failErrno(path, "cannot create", errno);
    struct stat existing {};
    if (::fstatat(m_dirFd, m_name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            ::close(m_dirFd);
            fail(path, "output is a directory");
        }
        if (!overwrite) {
            ::close(m_dirFd);
            failExists(path);
        }
    }

    // O_EXCL never follows a link and never opens a file already there. The
    // name is registered for removal on a signal before the file exists, so
    // no signal finds a file it would not remove.
    int err = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && err == EEXIST; ++attempt) {
        m_temporaryName = temporaryNameFor(m_name);
        m_onSignal = std::make_unique<SignalCleanupEntry>(m_dirFd, m_temporaryName.c_str());
        m_fd = ::openat(m_dirFd, m_temporaryName.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        err = m_fd < 0 ? errno : 0;
        if (m_fd < 0)
            m_onSignal.reset();
    }
    if (m_fd < 0) {
        ::close(m_dirFd);
        fail(path, std::string("cannot create: ") + std::strerror(err));
    }
}

PendingOutput::~PendingOutput()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed)
        ::unlinkat(m_dirFd, m_temporaryName.c_str(), 0);
    m_onSignal.reset(); // only once the name is gone
    ::close(m_dirFd);
}

void PendingOutput::commit()
{
    if (::fsync(m_fd) != 0)
        failErrno(m_path, "cannot write", errno);
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0 && errno != EINTR)
        failErrno(m_path, "cannot write", errno);

    const char* from = m_temporaryName.c_str();
    const char* to = m_name.c_str();
    // A rename replaces the name itself: a link there is not followed.
    if (m_overwrite) {
        if (::renameat(m_dirFd, from, m_dirFd, to) != 0)
            failErrno(m_path, "cannot create", errno);
        committed();
        return;
    }
    if (::renameat2(m_dirFd, from, m_dirFd, to, RENAME_NOREPLACE) == 0) {
        committed();
        return;
    }
    if (errno != EINVAL && errno != ENOSYS)
        failErrno(m_path, "cannot create", errno);
    // No no-replace rename on this file system (NFS): a hard link refuses an
    // existing name too; the temporary name then goes.
    if (::linkat(m_dirFd, from, m_dirFd, to, 0) != 0)
        failErrno(m_path, "cannot create", errno);
    ::unlinkat(m_dirFd, from, 0);
    committed();
}

void PendingOutput::committed()
{
    m_committed = true;
    m_onSignal.reset();
}

} // namespace ofxrender
