// PNG through libpng. libpng reports errors by longjmp, so every libpng call sits
// in a small function that holds only plain data across its setjmp; C++ objects
// live in the callers.
#include "FormatIO.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace zelk::detail {

namespace {

struct PngError {
    char message[256] = "unknown libpng error";
};

void onPngError(png_structp png, png_const_charp text)
{
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(error->message, sizeof error->message, "%s", text);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr openFile(const std::string& path, const char* mode)
{
    FilePtr file(std::fopen(path.c_str(), mode));
    if (!file) {
        const int err = errno;
        fail(path, std::string("cannot open: ") + std::strerror(err));
    }
    return file;
}

// A stream of its own on a duplicate of `fd`, so closing it leaves `fd` open.
FilePtr streamOnDescriptor(int fd, const std::string& path)
{
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    FilePtr file(copy < 0 ? nullptr : ::fdopen(copy, "wb"));
    if (!file) {
        const int err = errno;
        if (copy >= 0)
            ::close(copy);
        fail(path, std::string("cannot write: ") + std::strerror(err));
    }
    return file;
}

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    bool hadAlpha = false;
};

// Reads the header and sets the transforms that give RGBA rows of 8 or 16 bits.
bool readPngHeader(png_structp png, png_infop info, std::FILE* file, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_user_limits(png, 1u << 24, 1u << 24);
    png_read_info(png, info);
    const int colourType = png_get_color_type(png, info);
    header->bitDepth = png_get_bit_depth(png, info) == 16 ? 16 : 8;
    header->hadAlpha =
        (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (!(colourType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    if (!header->hadAlpha)
        png_set_add_alpha(png, 0xffff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    return true;
}

bool readPngRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

bool writePngRows(png_structp png, png_infop info, std::FILE* file, png_uint_32 width,
                  png_uint_32 height, int bitDepth, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, bitDepth, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

} // namespace

RgbaImage readPng(const std::string& path)
{
    FilePtr file = openFile(path, "rb");
    PngError error;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        fail(path, "cannot start the PNG reader");
    }
    struct Cleanup {
        png_structp* png;
        png_infop* info;
        ~Cleanup() { png_destroy_read_struct(png, info, nullptr); }
    } cleanup{&png, &info};

    PngHeader header;
    if (!readPngHeader(png, info, file.get(), &header))
        fail(path, std::string("cannot read PNG: ") + error.message);
    checkDimensions(path, header.width, header.height);
    const std::size_t bytesPerSample = header.bitDepth / 8;
    const std::size_t rowBytes = std::size_t(header.width) * 4 * bytesPerSample;
    if (png_get_rowbytes(png, info) != rowBytes)
        fail(path, "unexpected PNG row layout");

    std::vector<unsigned char> data(rowBytes * header.height);
    std::vector<png_bytep> rows(header.height);
    for (png_uint_32 y = 0; y < header.height; ++y)
        rows[y] = data.data() + y * rowBytes;
    if (!readPngRows(png, info, rows.data()))
        fail(path, std::string("cannot read PNG: ") + error.message);

    RgbaImage image{int(header.width), int(header.height)};
    image.hadAlpha = header.hadAlpha;
    image.storedAs = header.bitDepth == 16 ? SampleType::UInt16 : SampleType::UInt8;
    const std::size_t samples = image.pixels.size();
    if (header.bitDepth == 16) {
        for (std::size_t i = 0; i < samples; ++i)
            image.pixels[i] = float((data[2 * i] << 8) | data[2 * i + 1]) / 65535.0f;
    } else {
        for (std::size_t i = 0; i < samples; ++i)
            image.pixels[i] = float(data[i]) / 255.0f;
    }
    return image;
}

void writePng(int fd, const std::string& path, const RgbaImage& image, SampleType sample)
{
    const bool wide = sample == SampleType::UInt16;
    const std::size_t samples = image.pixels.size();
    std::vector<unsigned char> data(samples * (wide ? 2 : 1));
    for (std::size_t i = 0; i < samples; ++i) {
        if (wide) {
            const std::uint32_t v = quantize(image.pixels[i], 65535);
            data[2 * i] = (unsigned char)(v >> 8);
            data[2 * i + 1] = (unsigned char)(v & 0xff);
        } else {
            data[i] = (unsigned char)quantize(image.pixels[i], 255);
        }
    }
    const std::size_t rowBytes = std::size_t(image.width) * 4 * (wide ? 2 : 1);
    std::vector<png_bytep> rows(image.height);
    for (int y = 0; y < image.height; ++y)
        rows[y] = data.data() + y * rowBytes;

    FilePtr file = streamOnDescriptor(fd, path);
    PngError error;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        fail(path, "cannot start the PNG writer");
    }
    const bool ok = writePngRows(png, info, file.get(), png_uint_32(image.width),
                                 png_uint_32(image.height), wide ? 16 : 8, rows.data());
    png_destroy_write_struct(&png, &info);
    if (!ok)
        fail(path, std::string("cannot write PNG: ") + error.message);
    const int closed = std::fclose(file.release());
    if (closed != 0) {
        const int err = errno;
        fail(path, std::string("cannot write PNG: ") + std::strerror(err));
    }
}

} // namespace zelk::detail
