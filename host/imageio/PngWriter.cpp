// PNG output: RGB or RGBA (as the image had alpha) of 8 or 16 bits, with the
// colour and text chunks of a PNG input.
#include "FormatIO.h"
#include "PngFormat.h"

#include <cerrno>
#include <csetjmp>
#include <cstring>

namespace zelk::detail {

namespace {

struct PngLayout {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGBA;
};

bool writeHeader(png_structp png, png_infop info, std::FILE* file, const PngLayout& layout,
                 const PngPassthrough* rest, png_textp texts, int textCount)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (rest)
        setPngChunks(png, info, *rest, texts, textCount);
    png_write_info(png, info);
    return true;
}

bool writeRow(png_structp png, png_bytep row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_row(png, row);
    return true;
}

bool writeEnd(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_write_end(png, info);
    return true;
}

void quantizeRow(const float* in, int width, int channels, bool wide, png_byte* out)
{
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < channels; ++c) {
            const float v = in[4 * x + c];
            const std::size_t i = std::size_t(x) * channels + c;
            if (wide) {
                const std::uint32_t q = quantize(v, 65535);
                out[2 * i] = png_byte(q >> 8);
                out[2 * i + 1] = png_byte(q & 0xff);
            } else {
                out[i] = png_byte(quantize(v, 255));
            }
        }
}

} // namespace

void writePng(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
              const Passthrough* rest, SampleType sample)
{
    const auto* kept = dynamic_cast<const PngPassthrough*>(rest);
    std::vector<png_text> texts = kept ? textRecords(*kept) : std::vector<png_text>{};
    PngLayout layout;
    layout.width = png_uint_32(pixels.width);
    layout.height = png_uint_32(pixels.height);
    layout.bitDepth = sample == SampleType::UInt16 ? 16 : 8;
    layout.colourType = info.hadAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
    const int channels = info.hadAlpha ? 4 : 3;
    std::vector<png_byte> row(std::size_t(pixels.width) * channels * (layout.bitDepth / 8));

    FilePtr file = streamOnDescriptor(fd, "wb", name);
    PngError error;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
    png_infop pngInfo = png ? png_create_info_struct(png) : nullptr;
    struct Cleanup {
        png_structp* png;
        png_infop* info;
        ~Cleanup() { png_destroy_write_struct(png, info); }
    } cleanup{&png, &pngInfo};
    if (!pngInfo)
        fail(name, "cannot start the PNG writer");

    bool ok = writeHeader(png, pngInfo, file.get(), layout, kept, texts.data(), int(texts.size()));
    for (int y = 0; ok && y < pixels.height; ++y) {
        quantizeRow(pixels.row(y), pixels.width, channels, layout.bitDepth == 16, row.data());
        ok = writeRow(png, row.data());
    }
    ok = ok && writeEnd(png, pngInfo);
    if (!ok)
        fail(name, std::string("cannot write PNG: ") + error.message);
    if (std::fclose(file.release()) != 0) {
        const int err = errno;
        fail(name, std::string("cannot write PNG: ") + std::strerror(err));
    }
}

} // namespace zelk::detail
