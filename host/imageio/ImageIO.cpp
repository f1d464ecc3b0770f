#include "zelk/ImageIO.h"

#include "FormatIO.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace zelk {

RgbaImage::RgbaImage(int w, int h)
    : width(w), height(h), pixels(std::size_t(w) * std::size_t(h) * 4, 0.0f)
{
}

namespace detail {

void fail(const std::string& path, const std::string& reason)
{
    throw ImageIOError("'" + path + "': " + reason);
}

void checkDimensions(const std::string& path, long long width, long long height)
{
    if (width <= 0 || height <= 0)
        fail(path, "image has no pixels (" + std::to_string(width) + " x " +
                       std::to_string(height) + ")");
    if (width > kMaxImagePixels / height)
        fail(path,
             "image too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
}

} // namespace detail

namespace {

std::string lowerExtension(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// Tells the format by the file's signature, so a misnamed file still reads.
FileFormat sniffFormat(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int err = errno;
        detail::fail(path, std::string("cannot open: ") + std::strerror(err));
    }
    unsigned char magic[8] = {};
    in.read(reinterpret_cast<char*>(magic), sizeof magic);
    const auto got = in.gcount();
    if (got >= 4 && magic[0] == 0x76 && magic[1] == 0x2f && magic[2] == 0x31 && magic[3] == 0x01)
        return FileFormat::Exr;
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (got == 8 && std::memcmp(magic, png, 8) == 0)
        return FileFormat::Png;
    if (got >= 4 && ((magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) ||
                     (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42)))
        return FileFormat::Tiff;
    if (got == 0)
        detail::fail(path, "file is empty");
    detail::fail(path, "not an EXR, PNG or TIFF image");
}

void checkWritable(const std::string& path, const RgbaImage& image, FileFormat format,
                   SampleType sample)
{
    if (!formatSupports(format, sample))
        detail::fail(path, std::string("this format cannot store ") + sampleTypeName(sample) +
                               " samples");
    detail::checkDimensions(path, image.width, image.height);
    if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
        detail::fail(path, "pixel buffer does not match the image size");
}

} // namespace

RgbaImage readImage(const std::string& path)
{
    switch (sniffFormat(path)) {
    case FileFormat::Exr:
        return detail::readExr(path);
    case FileFormat::Png:
        return detail::readPng(path);
    case FileFormat::Tiff:
        return detail::readTiff(path);
    }
    detail::fail(path, "unknown format");
}

void writeImage(const std::string& path, const RgbaImage& image, FileFormat format,
                SampleType sample)
{
    checkWritable(path, image, format, sample); // before a file appears
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        detail::fail(path, std::string("cannot create: ") + std::strerror(err));
    }
    try {
        writeImage(fd, path, image, format, sample);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        detail::fail(path, std::string("cannot write: ") + std::strerror(err));
    }
}

void writeImage(int fd, const std::string& path, const RgbaImage& image, FileFormat format,
                SampleType sample)
{
    checkWritable(path, image, format, sample);
    switch (format) {
    case FileFormat::Exr:
        detail::writeExr(fd, path, image, sample);
        return;
    case FileFormat::Png:
        detail::writePng(fd, path, image, sample);
        return;
    case FileFormat::Tiff:
        detail::writeTiff(fd, path, image, sample);
        return;
    }
}

FileFormat formatFromFileName(const std::string& path)
{
    const std::string ext = lowerExtension(path);
    if (ext == "exr")
        return FileFormat::Exr;
    if (ext == "png")
        return FileFormat::Png;
    if (ext == "tif" || ext == "tiff")
        return FileFormat::Tiff;
    detail::fail(path, "unknown image file extension (use .exr, .png, .tif or .tiff)");
}

bool formatSupports(FileFormat format, SampleType sample)
{
    switch (format) {
    case FileFormat::Exr:
        return sample == SampleType::Half || sample == SampleType::Float;
    case FileFormat::Png:
        return sample == SampleType::UInt8 || sample == SampleType::UInt16;
    case FileFormat::Tiff:
        return sample != SampleType::Half;
    }
    return false;
}

SampleType defaultSampleType(FileFormat format, SampleType source)
{
    if (formatSupports(format, source))
        return source;
    switch (format) {
    case FileFormat::Exr:
        return source == SampleType::UInt8 ? SampleType::Half : SampleType::Float;
    case FileFormat::Png:
        return SampleType::UInt16;
    case FileFormat::Tiff:
        return SampleType::Float;
    }
    return SampleType::Float;
}

const char* sampleTypeName(SampleType sample)
{
    switch (sample) {
    case SampleType::UInt8:
        return "8";
    case SampleType::UInt16:
        return "16";
    case SampleType::Half:
        return "half";
    case SampleType::Float:
        return "float";
    }
    return "?";
}

SampleType parseSampleType(const std::string& text)
{
    if (text == "8")
        return SampleType::UInt8;
    if (text == "16")
        return SampleType::UInt16;
    if (text == "half")
        return SampleType::Half;
    if (text == "float" || text == "32")
        return SampleType::Float;
    throw std::invalid_argument("unknown sample type '" + text + "' (use 8, 16, half or float)");
}

} // namespace zelk
