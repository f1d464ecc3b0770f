#include "BundleLooks.h"

#include "LookNames.h"
#include "LutError.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace zelk::lut {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = ".zelk-lut.lock";

// The names as the plug-in lists them, sorted even when the scan stopped early.
std::vector<std::string> regularFileNames(const std::string& dir)
{
    std::vector<std::string> names = listLookNames(dir, [](const char*) {});
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

BundleLooks::BundleLooks(std::string bundle)
    : m_bundle(std::move(bundle)), m_resources(m_bundle + "/Contents/Resources")
{
    if (!fs::is_directory(m_resources))
        throw LutError(where(m_bundle) + "not a plug-in bundle (no Contents/Resources directory)");
}

std::string BundleLooks::directory(TransferCurve curve) const
{
    return m_resources + "/" + curveDirectory(curve);
}

std::string BundleLooks::file(TransferCurve curve, const std::string& name) const
{
    return directory(curve) + "/" + name + kLookFileSuffix;
}

std::vector<std::string> BundleLooks::names() const
{
    return regularFileNames(directory(TransferCurve::Tevo3));
}

std::vector<std::string> BundleLooks::unlistedNames() const
{
    const std::vector<std::string> listed = names();
    std::vector<std::string> unlisted;
    for (const std::string& name : regularFileNames(directory(TransferCurve::Tevo4)))
        if (!std::binary_search(listed.begin(), listed.end(), name))
            unlisted.push_back(name);
    return unlisted;
}

BundleLock::BundleLock(const BundleLooks& bundle, double waitSeconds)
{
    const std::string path = bundle.resources() + "/" + kLockName;
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw LutError(where(path) + "cannot open the bundle's lock file: " + std::strerror(errno));
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK && error != EINTR) {
            ::close(m_fd);
            throw LutError(where(path) + "cannot lock the bundle: " + std::strerror(error));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(m_fd);
            throw LutError(where(bundle.bundle()) +
                           "another zelk-lut is changing its looks (it holds " + path +
                           "); try again when it has finished");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

BundleLock::~BundleLock()
{
    ::close(m_fd); // releases the lock
}

} // namespace zelk::lut
