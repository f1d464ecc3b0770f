#include "AtomicFile.h"

#include "LutError.h"
#include "SignalCleanup.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace zelk::lut {

namespace {

std::string directoryOf(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::string baseName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::string systemReason()
{
    return std::strerror(errno);
}

// A file of ours that is removed again unless kept (renamed into place, or a backup).
class TempFile {
public:
    TempFile(std::string path) : m_path(std::move(path)), m_guard(m_path) {}
    ~TempFile()
    {
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return m_path; }
    void keep() { m_kept = true; }

private:
    std::string m_path;
    RemoveOnSignal m_guard;
    bool m_kept = false;
};

void writeAll(int fd, std::string_view bytes, const std::string& target)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw LutError(where(target) + "cannot write: " + systemReason());
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        throw LutError(where(target) + "cannot write: " + systemReason());
}

// Creates, fills and flushes a hidden temporary file beside `target` (or in `tempDir`).
std::unique_ptr<TempFile> writeTemporary(const std::string& target, std::string_view bytes,
                                         const std::string& tempDir)
{
    const std::string dir = tempDir.empty() ? directoryOf(target) : tempDir;
    std::string name = dir + "/." + baseName(target) + ".tmpXXXXXX";
    std::unique_ptr<TempFile> temp;
    int fd = -1;
    {
        // Registered before a signal can strike, so it is never left behind.
        HoldSignals hold;
        fd = ::mkstemp(name.data());
        if (fd < 0)
            throw LutError(where(target) + "cannot create a temporary file in " + dir + ": " +
                           systemReason());
        try {
            temp = std::make_unique<TempFile>(name);
        } catch (...) {
            ::close(fd);
            ::unlink(name.c_str());
            throw;
        }
    }
    try {
        writeAll(fd, bytes, target);
    } catch (...) {
        ::close(fd);
        throw;
    }
    // mkstemp creates 0600; a look file is read by whoever runs the host.
    ::fchmod(fd, 0644);
    if (::close(fd) != 0)
        throw LutError(where(target) + "cannot write: " + systemReason());
    return temp;
}

// A name in `dir` for keeping `path` aside; unique among running processes.
std::string asideName(const std::string& path, const std::string& dir, const char* what)
{
    static std::atomic<unsigned> counter{0};
    return dir + "/." + baseName(path) + "." + what + "-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

// A second name for an existing target, so that it can be put back; "" when
// there is no target.
std::string keepPrevious(const std::string& target, const std::string& dir)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0)
        return ""; // nothing there, or nothing we can see: the rename will tell
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        throw LutError(where(target) + "exists and is not a regular file: it is not replaced");
    const std::string backup = asideName(target, dir, "previous");
    ::unlink(backup.c_str());
    if (::link(target.c_str(), backup.c_str()) == 0)
        return backup;
    // A file system without hard links: a copy serves as well.
    std::unique_ptr<TempFile> copy = writeTemporary(target, readWholeFile(target), dir);
    copy->keep();
    return copy->path();
}

void syncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Puts `target` back as it was: its previous content, or no file at all.
void rollBack(const std::string& target, const std::string& backup, std::string& message)
{
    const bool ok = backup.empty() ? ::unlink(target.c_str()) == 0
                                   : std::rename(backup.c_str(), target.c_str()) == 0;
    if (!ok)
        message += "; " + target + " could not be put back (" + systemReason() + ")" +
                   (backup.empty() ? std::string() : ": its previous content is in " + backup);
}

const char* fileKind(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

} // namespace

void writeFileAtomic(const std::string& path, std::string_view bytes, const std::string& tempDir)
{
    std::unique_ptr<TempFile> temp = writeTemporary(path, bytes, tempDir);
    HoldSignals hold;
    if (std::rename(temp->path().c_str(), path.c_str()) != 0)
        throw LutError(where(path) +
                       "cannot rename the finished file into place: " + systemReason());
    temp->keep();
    syncDirectory(directoryOf(path));
}

void writeFilesAtomic(const PendingFile* files, int count, const std::string& tempDir)
{
    std::vector<std::unique_ptr<TempFile>> temps;
    for (int i = 0; i < count; ++i)
        temps.push_back(writeTemporary(files[i].path, files[i].bytes, tempDir));

    HoldSignals hold;
    std::vector<std::string> backups;
    int done = 0;
    try {
        for (; done < count; ++done) {
            const std::string& target = files[done].path;
            backups.push_back(
                keepPrevious(target, tempDir.empty() ? directoryOf(target) : tempDir));
            if (std::rename(temps[done]->path().c_str(), target.c_str()) != 0)
                throw LutError(where(target) +
                               "cannot rename the finished file into place: " + systemReason());
            temps[done]->keep();
        }
    } catch (const LutError& e) {
        std::string message = e.what();
        if (static_cast<int>(backups.size()) > done && !backups[done].empty())
            ::unlink(backups[done].c_str());
        for (int j = done - 1; j >= 0; --j)
            rollBack(files[j].path, backups[j], message);
        if (done > 0)
            message += "; the files replaced before it were put back";
        throw LutError(message);
    }
    for (const std::string& backup : backups)
        if (!backup.empty())
            ::unlink(backup.c_str());
    for (int i = 0; i < count; ++i)
        syncDirectory(directoryOf(files[i].path));
}

void removeFilesAtomic(const std::vector<std::string>& paths, const std::string& tempDir)
{
    HoldSignals hold;
    std::vector<std::pair<std::string, std::string>> aside; // (path, where it is now)
    for (const std::string& path : paths) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT)
            continue;
        const std::string moved = asideName(path, tempDir, "removed");
        if (std::rename(path.c_str(), moved.c_str()) != 0) {
            std::string message = where(path) + "cannot remove: " + systemReason();
            for (auto it = aside.rbegin(); it != aside.rend(); ++it)
                rollBack(it->first, it->second, message);
            throw LutError(message);
        }
        aside.emplace_back(path, moved);
    }
    for (const auto& [path, moved] : aside) {
        std::error_code ec; // a directory moved aside goes too
        std::filesystem::remove_all(moved, ec);
        syncDirectory(directoryOf(path));
    }
}

void checkOutputPath(const std::string& path, const std::vector<std::string>& inputs, bool replace)
{
    struct stat out {};
    if (::lstat(path.c_str(), &out) != 0) {
        if (errno == ENOENT)
            return;
        throw LutError(where(path) + "cannot check the output: " + systemReason());
    }
    if (!S_ISREG(out.st_mode))
        throw LutError(where(path) + "exists and is " + fileKind(out.st_mode) +
                       ", not a regular file: it is not replaced");
    for (const std::string& input : inputs) {
        struct stat in {};
        if (::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            throw LutError(where(path) + "is the input " + input +
                           ": writing it would destroy the input; choose another output");
    }
    if (!replace)
        throw LutError(where(path) + "exists already (-y or --force replaces it)");
}

std::string readWholeFile(const std::string& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status))
        throw LutError(where(path) + "cannot open: no such file");
    if (!std::filesystem::is_regular_file(status))
        throw LutError(where(path) + "not a regular file");
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw LutError(where(path) + "cannot open: " + systemReason());
    std::string data;
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        throw LutError(where(path) + "read error");
    return data;
}

} // namespace zelk::lut
