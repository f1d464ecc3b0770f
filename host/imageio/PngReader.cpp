// PNG input: RGBA rows of 8 or 16 bits from any PNG colour type, decoded a row
// at a time into the caller's buffer (an interlaced image needs all its rows).
#include "FormatIO.h"
#include "PngFormat.h"

#include <csetjmp>

namespace zelk::detail {

namespace {

// Deflate never expands more than 1032 to 1: what a file of this size can hold.
constexpr std::uint64_t kDeflateMaxRatio = 1032;

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int fileBitDepth = 0;
    int fileChannels = 0;
    int bitDepth = 0; // of the rows read: 8 or 16
    bool hadAlpha = false;
    bool interlaced = false;
};

bool readPngHeader(png_structp png, png_infop info, std::FILE* file, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_user_limits(png, 1u << 24, 1u << 24);
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->fileBitDepth = png_get_bit_depth(png, info);
    header->fileChannels = png_get_channels(png, info);
    header->interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    return true;
}

// Sets the transforms that give RGBA rows of 8 or 16 bits.
bool setTransforms(png_structp png, png_infop info, PngHeader* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
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
    return true;
}

bool readRows(png_structp png, png_bytepp rows, png_uint_32 count)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_rows(png, rows, nullptr, count);
    return true;
}

bool readEnd(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_end(png, info);
    return true;
}

void toFloats(const png_byte* in, float* out, std::size_t samples, int bitDepth)
{
    if (bitDepth == 16) {
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = float((in[2 * i] << 8) | in[2 * i + 1]) / 65535.0f;
    } else {
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = float(in[i]) / 255.0f;
    }
}

// libpng's reader, released however the reader's construction ends.
struct PngReadStructs {
    explicit PngReadStructs(PngError* error)
        : png(png_create_read_struct(PNG_LIBPNG_VER_STRING, error, onPngError, onPngWarning)),
          info(png ? png_create_info_struct(png) : nullptr)
    {
    }
    ~PngReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
    PngReadStructs(const PngReadStructs&) = delete;
    PngReadStructs& operator=(const PngReadStructs&) = delete;

    png_structp png;
    png_infop info;
};

class PngReader : public FileReader {
public:
    PngReader(std::unique_ptr<InputFile> file, const ReadOptions& options);
    std::unique_ptr<Passthrough> read(const PixelView& pixels) override;

private:
    [[noreturn]] void failPng() const
    {
        fail(m_path, std::string("cannot read PNG: ") + m_error.message);
    }

    FilePtr m_stream;
    PngError m_error;
    PngReadStructs m_structs{&m_error};
    png_structp m_png = m_structs.png;
    png_infop m_pngInfo = m_structs.info;
    PngHeader m_header;
};

PngReader::PngReader(std::unique_ptr<InputFile> file, const ReadOptions& options)
    : FileReader(std::move(file), options)
{
    m_stream = streamOnDescriptor(m_file->fd(), "rb", m_path);
    if (!m_pngInfo)
        fail(m_path, "cannot start the PNG reader");
    if (!readPngHeader(m_png, m_pngInfo, m_stream.get(), &m_header))
        failPng();
    checkDimensions(m_path, m_header.width, m_header.height, options.maxPixels);
    const std::uint64_t rowBytes =
        (std::uint64_t(m_header.width) * m_header.fileChannels * m_header.fileBitDepth + 7) / 8;
    if (rowBytes * m_header.height > m_file->size() * kDeflateMaxRatio)
        fail(m_path, "the file (" + std::to_string(m_file->size()) + " bytes) is too small to " +
                         "hold " + std::to_string(m_header.width) + " x " +
                         std::to_string(m_header.height) + " pixels: damaged or cut short");
    if (!setTransforms(m_png, m_pngInfo, &m_header))
        failPng();
    if (png_get_rowbytes(m_png, m_pngInfo) !=
        std::size_t(m_header.width) * 4 * (m_header.bitDepth / 8))
        fail(m_path, "unexpected PNG row layout");

    m_info.format = FileFormat::Png;
    m_info.dataWindow = m_info.displayWindow =
        PixelRect{0, 0, int(m_header.width), int(m_header.height)};
    m_info.storedAs = m_header.bitDepth == 16 ? SampleType::UInt16 : SampleType::UInt8;
    m_info.hadAlpha = m_header.hadAlpha;
}

std::unique_ptr<Passthrough> PngReader::read(const PixelView& pixels)
{
    const std::size_t samples = std::size_t(m_header.width) * 4;
    const std::size_t rowBytes = samples * std::size_t(m_header.bitDepth / 8);
    if (m_header.interlaced) {
        std::vector<png_byte> data(rowBytes * m_header.height);
        std::vector<png_bytep> rows(m_header.height);
        for (png_uint_32 y = 0; y < m_header.height; ++y)
            rows[y] = data.data() + y * rowBytes;
        const int passes = png_set_interlace_handling(m_png);
        for (int pass = 0; pass < passes; ++pass)
            if (!readRows(m_png, rows.data(), m_header.height))
                failPng();
        for (png_uint_32 y = 0; y < m_header.height; ++y)
            toFloats(rows[y], pixels.row(int(y)), samples, m_header.bitDepth);
    } else {
        std::vector<png_byte> row(rowBytes);
        png_bytep rowPointer = row.data();
        for (png_uint_32 y = 0; y < m_header.height; ++y) {
            if (!readRows(m_png, &rowPointer, 1))
                failPng();
            toFloats(row.data(), pixels.row(int(y)), samples, m_header.bitDepth);
        }
    }
    if (!readEnd(m_png, m_pngInfo))
        failPng();
    return keepPngChunks(m_png, m_pngInfo);
}

} // namespace

std::unique_ptr<ImageReader> openPng(std::unique_ptr<InputFile> file, const ReadOptions& options)
{
    return std::make_unique<PngReader>(std::move(file), options);
}

} // namespace zelk::detail
