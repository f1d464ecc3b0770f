// TIFF input. Grey or RGB, with or without alpha, in 8- or 16-bit integers or
// 16- or 32-bit floats, in strips or tiles, contiguous or planar, is decoded
// directly; any other layout libtiff knows (palette, YCbCr, CMYK, fewer bits)
// through libtiff's 8-bit RGBA reader. Either way the Orientation tag is honoured.
#include "FormatIO.h"
#include "TiffFormat.h"

#include <Imath/half.h>

#include <cstring>
#include <optional>

namespace zelk::detail {

namespace {

// Tiles larger than this are refused: a tile is decoded whole.
constexpr std::uint64_t kMaxTileBytes = 256u << 20;

// The most a compression method can expand its data (0: no known bound).
std::uint64_t maxExpansion(std::uint16_t compression)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64; // two bytes give at most 128
    case COMPRESSION_LZW:
        return 4096; // a code of 9 bits or more gives at most 4096 bytes
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1032;
    default:
        return 0;
    }
}

struct Layout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t spp = 1, bits = 1, format = SAMPLEFORMAT_UINT;
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    std::uint16_t compression = COMPRESSION_NONE, orientation = ORIENTATION_TOPLEFT;
    int colours = 1;
    bool hadAlpha = false;
    bool tiled = false;
    bool direct = false;
};

float sampleToFloat(const unsigned char* p, const Layout& layout, std::size_t i)
{
    if (layout.bits == 8)
        return float(p[i]) / 255.0f;
    if (layout.bits == 16 && layout.format == SAMPLEFORMAT_UINT) {
        std::uint16_t v;
        std::memcpy(&v, p + 2 * i, sizeof v);
        return float(v) / 65535.0f;
    }
    if (layout.bits == 16) {
        half v;
        std::memcpy(&v, p + 2 * i, sizeof v);
        return float(v);
    }
    float v;
    std::memcpy(&v, p + 4 * i, sizeof v);
    return v;
}

class TiffReader : public FileReader {
public:
    TiffReader(std::unique_ptr<InputFile> file, const ReadOptions& options);
    std::unique_ptr<Passthrough> read(const PixelView& pixels) override;

private:
    void readLayout();
    void checkStructure() const;
    // Stores `count` stored pixels of one stored row, from `in` (`stride`
    // samples apart), starting at stored column `column`; `plane` is the
    // sample plane of a planar image, -1 for all samples of a contiguous one.
    void store(const PixelView& pixels, int row, int column, std::uint32_t count,
               const unsigned char* in, int plane) const;
    void readStrips(const PixelView& pixels);
    void readTiles(const PixelView& pixels);
    void readThroughRgba(const PixelView& pixels);
    [[noreturn]] void failRead() const { failTiff(m_path, "cannot read TIFF", m_error); }

    TiffError m_error;
    TiffPtr m_tif;
    Layout m_layout;
    std::optional<TiffOrientation> m_orientation;
};

TiffReader::TiffReader(std::unique_ptr<InputFile> file, const ReadOptions& options)
    : FileReader(std::move(file), options)
{
    m_tif = openTiffOn(m_file->fd(), m_path, "rm", &m_error); // "m": read, never map
    readLayout();
    checkDimensions(m_path, m_layout.width, m_layout.height, options.maxPixels);
    checkStructure();
    m_orientation.emplace(m_layout.orientation, int(m_layout.width), int(m_layout.height));
    m_info.format = FileFormat::Tiff;
    m_info.dataWindow = m_info.displayWindow =
        PixelRect{0, 0, m_orientation->shownWidth(), m_orientation->shownHeight()};
    m_info.hadAlpha = m_layout.hadAlpha;
    if (!m_layout.direct)
        m_info.storedAs = SampleType::UInt8;
    else if (m_layout.format == SAMPLEFORMAT_IEEEFP)
        m_info.storedAs = m_layout.bits == 16 ? SampleType::Half : SampleType::Float;
    else
        m_info.storedAs = m_layout.bits == 16 ? SampleType::UInt16 : SampleType::UInt8;
}

void TiffReader::readLayout()
{
    TIFF* tif = m_tif.get();
    Layout& l = m_layout;
    std::uint16_t extraCount = 0;
    std::uint16_t* extraTypes = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height))
        failTiff(m_path, "TIFF has no image size", m_error);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric);
    l.tiled = TIFFIsTiled(tif);
    const bool grey = l.photometric == PHOTOMETRIC_MINISBLACK;
    l.colours = grey ? 1 : 3;
    l.hadAlpha = extraCount > 0 && l.spp > l.colours;
    const bool integers = l.format == SAMPLEFORMAT_UINT && (l.bits == 8 || l.bits == 16);
    const bool floats = l.format == SAMPLEFORMAT_IEEEFP && (l.bits == 16 || l.bits == 32);
    l.direct =
        (integers || floats) && l.spp >= l.colours && (grey || l.photometric == PHOTOMETRIC_RGB);
    if (l.direct)
        return;
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif, message))
        fail(m_path, "unsupported TIFF layout (" + std::to_string(l.bits) + "-bit, " +
                         std::to_string(l.spp) + " samples, photometric " +
                         std::to_string(l.photometric) + "): " + message);
}

// Every strip or tile lies inside the file, and the file holds enough data for
// the pixels it declares where the compression's expansion is bounded.
void TiffReader::checkStructure() const
{
    TIFF* tif = m_tif.get();
    const std::uint32_t striles = m_layout.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    std::uint64_t stored = 0;
    for (std::uint32_t i = 0; i < striles; ++i) {
        int err = 0;
        const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tif, i, &err);
        const std::uint64_t bytes = err ? 0 : TIFFGetStrileByteCountWithErr(tif, i, &err);
        if (err || offset > m_file->size() || bytes > m_file->size() - offset)
            fail(m_path, std::string("damaged or cut short TIFF: ") +
                             (m_layout.tiled ? "tile " : "strip ") + std::to_string(i) +
                             " lies beyond the end of the file");
        stored += bytes;
    }
    if (m_layout.tiled && std::uint64_t(TIFFTileSize64(tif)) > kMaxTileBytes)
        fail(m_path, "TIFF tiles too large (" + std::to_string(TIFFTileSize64(tif)) + " bytes)");
    const std::uint64_t planes = m_layout.planar == PLANARCONFIG_SEPARATE ? m_layout.spp : 1;
    const std::uint64_t declared =
        m_layout.tiled ? std::uint64_t(TIFFTileSize64(tif)) * striles
                       : std::uint64_t(TIFFScanlineSize64(tif)) * m_layout.height * planes;
    const std::uint64_t ratio = maxExpansion(m_layout.compression);
    if (ratio > 0 && declared > stored * ratio + (1u << 20))
        fail(m_path, "damaged or cut short TIFF: its " + std::to_string(stored) +
                         " bytes of image data cannot hold " + std::to_string(m_layout.width) +
                         " x " + std::to_string(m_layout.height) + " pixels");
}

void TiffReader::store(const PixelView& pixels, int row, int column, std::uint32_t count,
                       const unsigned char* in, int plane) const
{
    const std::ptrdiff_t step = m_orientation->step(pixels);
    float* out = m_orientation->rowStart(pixels, row) + step * column;
    const int used = m_layout.colours + (m_layout.hadAlpha ? 1 : 0);
    const std::size_t stride = plane < 0 ? m_layout.spp : 1;
    for (int s = 0; s < used; ++s) {
        if (plane >= 0 && s != plane)
            continue;
        const int channel = s < m_layout.colours ? s : 3;
        const std::size_t first = plane < 0 ? std::size_t(s) : 0;
        for (std::uint32_t i = 0; i < count; ++i)
            out[step * std::ptrdiff_t(i) + channel] =
                sampleToFloat(in, m_layout, first + i * stride);
    }
}

void TiffReader::readStrips(const PixelView& pixels)
{
    TIFF* tif = m_tif.get();
    const int planes = m_layout.planar == PLANARCONFIG_SEPARATE
                           ? m_layout.colours + (m_layout.hadAlpha ? 1 : 0)
                           : 1;
    const std::size_t stride = m_layout.planar == PLANARCONFIG_SEPARATE ? 1 : m_layout.spp;
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize < tmsize_t(std::size_t(m_layout.width) * stride * (m_layout.bits / 8)))
        failTiff(m_path, "unexpected TIFF scan-line size", m_error);
    std::vector<unsigned char> line(static_cast<std::size_t>(lineSize));
    for (int plane = 0; plane < planes; ++plane)
        for (std::uint32_t y = 0; y < m_layout.height; ++y) {
            if (TIFFReadScanline(tif, line.data(), y, std::uint16_t(plane)) < 0)
                failRead();
            store(pixels, int(y), 0, m_layout.width, line.data(), planes > 1 ? plane : -1);
        }
}

void TiffReader::readTiles(const PixelView& pixels)
{
    TIFF* tif = m_tif.get();
    std::uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    const int planes = m_layout.planar == PLANARCONFIG_SEPARATE
                           ? m_layout.colours + (m_layout.hadAlpha ? 1 : 0)
                           : 1;
    const std::size_t stride = m_layout.planar == PLANARCONFIG_SEPARATE ? 1 : m_layout.spp;
    const std::size_t rowBytes = std::size_t(tileWidth) * stride * (m_layout.bits / 8);
    const tmsize_t tileSize = TIFFTileSize(tif);
    if (tileWidth == 0 || tileHeight == 0 || tileSize < tmsize_t(rowBytes * tileHeight))
        failTiff(m_path, "unexpected TIFF tile size", m_error);
    std::vector<unsigned char> tile(static_cast<std::size_t>(tileSize));
    for (int plane = 0; plane < planes; ++plane)
        for (std::uint32_t y = 0; y < m_layout.height; y += tileHeight)
            for (std::uint32_t x = 0; x < m_layout.width; x += tileWidth) {
                if (TIFFReadTile(tif, tile.data(), x, y, 0, std::uint16_t(plane)) < 0)
                    failRead();
                const std::uint32_t columns = std::min(tileWidth, m_layout.width - x);
                const std::uint32_t rows = std::min(tileHeight, m_layout.height - y);
                for (std::uint32_t r = 0; r < rows; ++r)
                    store(pixels, int(y + r), int(x), columns, tile.data() + r * rowBytes,
                          planes > 1 ? plane : -1);
            }
}

void TiffReader::readThroughRgba(const PixelView& pixels)
{
    // Asked for the file's own orientation, libtiff leaves the rows as stored.
    const std::size_t count = std::size_t(m_layout.width) * m_layout.height;
    const auto raster = uninitialised<std::uint32_t>(count);
    if (!TIFFReadRGBAImageOriented(m_tif.get(), m_layout.width, m_layout.height, raster.get(),
                                   m_layout.orientation, 0))
        failRead();
    const std::ptrdiff_t step = m_orientation->step(pixels);
    for (std::uint32_t y = 0; y < m_layout.height; ++y) {
        float* out = m_orientation->rowStart(pixels, int(y));
        for (std::uint32_t x = 0; x < m_layout.width; ++x, out += step) {
            const std::uint32_t p = raster[std::size_t(y) * m_layout.width + x];
            out[0] = float(TIFFGetR(p)) / 255.0f;
            out[1] = float(TIFFGetG(p)) / 255.0f;
            out[2] = float(TIFFGetB(p)) / 255.0f;
            out[3] = m_layout.hadAlpha ? float(TIFFGetA(p)) / 255.0f : 1.0f;
        }
    }
}

std::unique_ptr<Passthrough> TiffReader::read(const PixelView& pixels)
{
    if (!m_layout.direct) {
        readThroughRgba(pixels);
    } else {
        if (m_layout.tiled)
            readTiles(pixels);
        else
            readStrips(pixels);
        // Grey fills green and blue; no alpha reads as 1.
        for (int y = 0; y < pixels.height; ++y)
            for (float* p = pixels.row(y); p < pixels.row(y) + 4 * pixels.width; p += 4) {
                if (m_layout.colours == 1)
                    p[1] = p[2] = p[0];
                if (!m_layout.hadAlpha)
                    p[3] = 1.0f;
            }
    }
    return keepTiffTags(m_tif.get(), m_layout.hadAlpha);
}

} // namespace

std::unique_ptr<ImageReader> openTiff(std::unique_ptr<InputFile> file, const ReadOptions& options)
{
    return std::make_unique<TiffReader>(std::move(file), options);
}

} // namespace zelk::detail
