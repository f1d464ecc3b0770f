#include "zelk/ImageFile.h"

#include "FormatIO.h"

#include <cstring>
#include <stdexcept>

namespace zelk {

namespace {

// Tells the format by the file's signature, so a misnamed file still reads.
FileFormat sniffFormat(const detail::InputFile& file)
{
    unsigned char magic[8] = {};
    const std::size_t got = file.readAt(0, magic, sizeof magic);
    if (got >= 4 && magic[0] == 0x76 && magic[1] == 0x2f && magic[2] == 0x31 && magic[3] == 0x01)
        return FileFormat::Exr;
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (got == 8 && std::memcmp(magic, png, 8) == 0)
        return FileFormat::Png;
    if (got >= 4 && ((magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) ||
                     (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42)))
        return FileFormat::Tiff;
    if (got == 0)
        detail::fail(file.path(), "file is empty");
    detail::fail(file.path(), "not an EXR, PNG or TIFF image");
}

} // namespace

PixelView PixelBuffer::view(int width, int height)
{
    const std::size_t size = std::size_t(width) * std::size_t(height) * 4;
    if (size > m_size) {
        m_data.reset(); // the old buffer goes before the new one comes
        m_size = 0;
        m_data = detail::uninitialised<float>(size);
        m_size = size;
    }
    return PixelView{m_data.get(), std::ptrdiff_t(width) * 4, width, height};
}

std::unique_ptr<ImageReader> ImageReader::open(const std::string& path, const ReadOptions& options)
{
    auto file = std::make_unique<detail::InputFile>(path);
    switch (sniffFormat(*file)) {
    case FileFormat::Exr:
        return detail::openExr(std::move(file), options);
    case FileFormat::Png:
        return detail::openPng(std::move(file), options);
    case FileFormat::Tiff:
        return detail::openTiff(std::move(file), options);
    }
    detail::fail(path, "unknown format");
}

void writeImage(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
                const Passthrough* rest, const WriteOptions& options)
{
    if (pixels.width != info.width() || pixels.height != info.height())
        detail::fail(name, "pixel buffer does not match the image size");
    if (rest && rest->format() != options.format)
        rest = nullptr; // what one format keeps means nothing to another
    const SampleType sample =
        options.sample.value_or(defaultSampleType(options.format, info.storedAs));
    if (!formatSupports(options.format, sample))
        detail::fail(name, std::string("this format cannot store ") + sampleTypeName(sample) +
                               " samples");
    switch (options.format) {
    case FileFormat::Exr:
        detail::writeExr(fd, name, info, pixels, rest, options);
        return;
    case FileFormat::Png:
        detail::writePng(fd, name, info, pixels, rest, sample);
        return;
    case FileFormat::Tiff:
        detail::writeTiff(fd, name, info, pixels, rest, sample);
        return;
    }
}

CompressionChoice parseCompression(const std::string& text)
{
    static const struct {
        const char* name;
        ExrCompression method;
    } kMethods[] = {{"none", ExrCompression::None}, {"rle", ExrCompression::Rle},
                    {"zips", ExrCompression::Zips}, {"zip", ExrCompression::Zip},
                    {"piz", ExrCompression::Piz},   {"pxr24", ExrCompression::Pxr24},
                    {"b44", ExrCompression::B44},   {"b44a", ExrCompression::B44a},
                    {"dwaa", ExrCompression::Dwaa}, {"dwab", ExrCompression::Dwab}};
    const auto colon = text.find(':');
    const std::string name = text.substr(0, colon);
    for (const auto& m : kMethods) {
        if (name != m.name)
            continue;
        CompressionChoice choice{m.method, {}};
        if (colon == std::string::npos)
            return choice;
        const bool dwa = m.method == ExrCompression::Dwaa || m.method == ExrCompression::Dwab;
        char* end = nullptr;
        const std::string level = text.substr(colon + 1);
        const float value = std::strtof(level.c_str(), &end);
        if (!dwa || level.empty() || *end != '\0' || !(value > 0.0f) || value > 1e6f)
            throw std::invalid_argument("'" + text +
                                        "': only dwaa and dwab take a level (dwaa:45)");
        choice.dwaLevel = value;
        return choice;
    }
    throw std::invalid_argument("unknown compression '" + text +
                                "' (use none, rle, zips, zip, piz, pxr24, b44, b44a, dwaa or "
                                "dwab; dwaa:LEVEL sets the level)");
}

} // namespace zelk
