#include "zelk/ImageIO.h"
#include "zelk/ImageFile.h"

#include "FormatIO.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

void checkDimensions(const std::string& path, long long width, long long height,
                     long long maxPixels)
{
    if (width <= 0 || height <= 0)
        fail(path, "image has no pixels (" + std::to_string(width) + " x " +
                       std::to_string(height) + ")");
    if (width > maxPixels / height)
        fail(path, "image too large (" + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels; the limit is " + std::to_string(maxPixels) + ")");
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

PixelView viewOf(RgbaImage& image)
{
    return PixelView{image.pixels.data(), std::ptrdiff_t(image.width) * 4, image.width,
                     image.height};
}

} // namespace

RgbaImage readImage(const std::string& path)
{
    const auto reader = ImageReader::open(path);
    const ImageInfo& info = reader->info();
    RgbaImage image{info.width(), info.height()};
    reader->read(viewOf(image));
    image.storedAs = info.storedAs;
    image.hadAlpha = info.hadAlpha;
    return image;
}

void writeImage(const std::string& path, const RgbaImage& image, FileFormat format,
                SampleType sample)
{
    // Refused before a file appears.
    if (!formatSupports(format, sample))
        detail::fail(path, std::string("this format cannot store ") + sampleTypeName(sample) +
                               " samples");
    detail::checkDimensions(path, image.width, image.height);
    if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
        detail::fail(path, "pixel buffer does not match the image size");

    ImageInfo info;
    info.format = format;
    info.dataWindow = info.displayWindow = PixelRect{0, 0, image.width, image.height};
    info.storedAs = image.storedAs;
    info.hadAlpha = image.hadAlpha;
    WriteOptions options;
    options.format = format;
    options.sample = sample;

    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        detail::fail(path, std::string("cannot create: ") + std::strerror(err));
    }
    try {
        writeImage(fd, path, info, viewOf(const_cast<RgbaImage&>(image)), nullptr, options);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        detail::fail(path, std::string("cannot write: ") + std::strerror(err));
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
