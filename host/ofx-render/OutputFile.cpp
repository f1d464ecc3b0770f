#include "OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace ofxrender {

namespace {

std::string temporaryNameFor(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return dir + "." + name + ".ofx-render-" + std::to_string(::getpid()) + ".tmp";
}

[[noreturn]] void failWrite(const std::string& path, const std::string& reason)
{
    throw zelk::ImageIOError("'" + path + "': " + reason);
}

struct TemporaryFile {
    std::string path;
    bool keep = false;
    ~TemporaryFile()
    {
        if (!keep)
            ::unlink(path.c_str());
    }
};

} // namespace

void writeOutputAtomically(const std::string& path, const zelk::RgbaImage& image,
                           zelk::FileFormat format, zelk::SampleType sample, bool overwrite)
{
    std::error_code ec;
    if (!overwrite &&
        std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found)
        failWrite(path, "output exists (use -y to replace it)");
    if (std::filesystem::is_directory(path, ec))
        failWrite(path, "output is a directory");

    TemporaryFile temp{temporaryNameFor(path)};
    try {
        zelk::writeImage(temp.path, image, format, sample);
    } catch (const zelk::ImageIOError& e) {
        // Report the name the user gave, not the temporary one.
        std::string message = e.what();
        for (auto at = message.find(temp.path); at != std::string::npos;
             at = message.find(temp.path))
            message.replace(at, temp.path.size(), path);
        throw zelk::ImageIOError(message);
    }

    // The writers close their files; make the bytes durable before the name appears.
    const int fd = ::open(temp.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    int result = 0;
    if (overwrite) {
        result = std::rename(temp.path.c_str(), path.c_str());
    } else {
        result = ::renameat2(AT_FDCWD, temp.path.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the no-replace rename: a hard link also refuses
            // an existing name.
            result = ::link(temp.path.c_str(), path.c_str());
        }
    }
    if (result != 0) {
        const int err = errno;
        if (err == EEXIST)
            failWrite(path, "output exists (use -y to replace it)");
        failWrite(path, std::string("cannot create: ") + std::strerror(err));
    }
    temp.keep = true;
}

} // namespace ofxrender
