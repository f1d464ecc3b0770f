#include "AtomicFile.h"

#include "LutError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelk::lut {

namespace {

std::string directoryOf(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::string systemReason()
{
    return std::strerror(errno);
}

// Creates and fills a hidden temporary file; returns its path.
std::string writeTemporary(const std::string& target, std::string_view bytes,
                           const std::string& tempDir)
{
    const std::string dir = tempDir.empty() ? directoryOf(target) : tempDir;
    const std::string base = std::filesystem::path(target).filename().string();
    std::string pattern = dir + "/." + base + ".tmpXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        throw LutError(where(target) + "cannot create a temporary file in " + dir + ": " +
                       systemReason());
    const std::string tempPath(name.data());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const std::string reason = systemReason();
            ::close(fd);
            ::unlink(tempPath.c_str());
            throw LutError(where(target) + "cannot write: " + reason);
        }
        done += static_cast<std::size_t>(n);
    }
    // mkstemp creates 0600; a look file is read by whoever runs the host.
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const std::string reason = systemReason();
        ::unlink(tempPath.c_str());
        throw LutError(where(target) + "cannot write: " + reason);
    }
    return tempPath;
}

} // namespace

void writeFileAtomic(const std::string& path, std::string_view bytes, const std::string& tempDir)
{
    PendingFile file{path, std::string(bytes)};
    writeFilesAtomic(&file, 1, tempDir);
}

void writeFilesAtomic(const PendingFile* files, int count, const std::string& tempDir)
{
    std::vector<std::string> temps;
    try {
        for (int i = 0; i < count; ++i)
            temps.push_back(writeTemporary(files[i].path, files[i].bytes, tempDir));
    } catch (...) {
        for (const std::string& t : temps)
            ::unlink(t.c_str());
        throw;
    }
    for (int i = 0; i < count; ++i) {
        if (std::rename(temps[static_cast<std::size_t>(i)].c_str(), files[i].path.c_str()) != 0) {
            const std::string reason = systemReason();
            for (std::size_t j = static_cast<std::size_t>(i); j < temps.size(); ++j)
                ::unlink(temps[j].c_str());
            throw LutError(where(files[i].path) +
                           "cannot rename the finished file into place: " + reason);
        }
    }
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
