// TIFF and PNG through zelk_imageio: orientation honoured however the pixels are stored (and
// images without alpha read opaque), and what a grade does not change (resolution, ICC profile,
// colour and text chunks, the presence of alpha) written back.
#include "ToolTestSupport.h"
#include "zelk/ImageFile.h"

#include <gtest/gtest.h>

#include <png.h>
#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace zelk;

namespace {

class TiffPngFidelityTest : public tooltest::ScratchDirTest {
protected:
    // Reads `in` and writes it to `out` in the same format, keeping the rest.
    ImageInfo passThrough(const std::string& in, const std::string& out)
    {
        const auto reader = ImageReader::open(file(in));
        PixelBuffer buffer;
        const PixelView pixels = buffer.view(reader->info().width(), reader->info().height());
        const auto rest = reader->read(pixels);
        const int fd = ::open(file(out).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        WriteOptions options;
        options.format = reader->info().format;
        writeImage(fd, out, reader->info(), pixels, rest.get(), options);
        ::close(fd);
        return reader->info();
    }
};

enum class TiffLayout { Strips16, Tiles16, Palette8 };

// Stored pixel (x, y) is told apart by its values: x and y in red and green (16 bits), or
// palette entry x + w y (8 bits: libtiff's RGBA reader, not ours, decodes it).
void writeOrientedTiff(const std::string& path, int orientation, TiffLayout layout, int w, int h)
{
    const bool palette = layout == TiffLayout::Palette8;
    const std::size_t bytes = palette ? 1 : 6;
    const auto put = [&](unsigned char* at, int x, int y) {
        const std::uint16_t rgb[3] = {std::uint16_t(1000 * x + 1), std::uint16_t(1000 * y + 1), 7};
        const std::uint8_t entry = std::uint8_t(x + w * y);
        std::memcpy(at, palette ? static_cast<const void*>(&entry) : rgb, bytes);
    };
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, palette ? 1 : 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, palette ? 8 : 16);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    std::vector<std::uint16_t> map(256);
    for (int i = 0; i < 256; ++i)
        map[std::size_t(i)] = std::uint16_t(i * 256);
    if (palette)
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    if (layout == TiffLayout::Tiles16) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        for (int ty = 0; ty < h; ty += 16)
            for (int tx = 0; tx < w; tx += 16) {
                std::vector<unsigned char> tile(16 * 16 * bytes, 0);
                for (int y = ty; y < std::min(h, ty + 16); ++y)
                    for (int x = tx; x < std::min(w, tx + 16); ++x)
                        put(&tile[bytes * std::size_t((y - ty) * 16 + x - tx)], x, y);
                TIFFWriteTile(tif, tile.data(), std::uint32_t(tx), std::uint32_t(ty), 0, 0);
            }
    } else {
        std::vector<unsigned char> row(bytes * std::size_t(w));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                put(&row[bytes * std::size_t(x)], x, y);
            TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0);
        }
    }
    TIFFClose(tif);
}

// Where Orientation 1 to 8 shows stored pixel (x, y) of a w x h image.
std::pair<int, int> shownAt(int orientation, int x, int y, int w, int h)
{
    const int rx = w - 1 - x, ry = h - 1 - y;
    const std::pair<int, int> shown[] = {{x, y}, {rx, y}, {rx, ry}, {x, ry},
                                         {y, x}, {ry, x}, {ry, rx}, {y, rx}};
    return shown[orientation - 1];
}

// A small ICC profile that libpng accepts: a display RGB header, a white
// point tag and bytes that do not compress (libpng refuses tiny iCCP chunks).
std::vector<unsigned char> iccProfile()
{
    std::vector<unsigned char> p(420, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[at + std::size_t(i)] = (unsigned char)(v >> (24 - 8 * i));
    };
    put(0, std::uint32_t(p.size()));
    put(8, 0x02100000);
    std::memcpy(&p[12], "mntrRGB XYZ ", 12);
    std::memcpy(&p[36], "acsp", 4);
    const std::uint32_t d50[3] = {0x0000F6D6, 0x00010000, 0x0000D32D};
    for (int i = 0; i < 3; ++i)
        put(68 + 4 * std::size_t(i), d50[i]);
    put(128, 1); // one tag: the white point
    std::memcpy(&p[132], "wtpt", 4);
    put(136, 144);
    put(140, 20);
    std::memcpy(&p[144], "XYZ ", 4);
    for (int i = 0; i < 3; ++i)
        put(152 + 4 * std::size_t(i), d50[i]);
    for (std::size_t i = 164; i < p.size(); ++i)
        p[i] = (unsigned char)((i * 2654435761u) >> 13);
    return p;
}

} // namespace

TEST_F(TiffPngFidelityTest, TiffOrientationIsHonouredHoweverThePixelsAreStored)
{
    for (TiffLayout layout : {TiffLayout::Strips16, TiffLayout::Tiles16, TiffLayout::Palette8}) {
        const int w = layout == TiffLayout::Tiles16 ? 20 : 5;
        const int h = layout == TiffLayout::Tiles16 ? 18 : 3;
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE("layout " + std::to_string(int(layout)) + ", orientation " +
                         std::to_string(orientation));
            writeOrientedTiff(file("o.tif"), orientation, layout, w, h);
            const RgbaImage image = readImage(file("o.tif"));
            const bool transposed = orientation >= 5;
            ASSERT_EQ(image.width, transposed ? h : w);
            ASSERT_EQ(image.height, transposed ? w : h);
            EXPECT_FALSE(image.hadAlpha);
            EXPECT_EQ(image.storedAs,
                      layout == TiffLayout::Palette8 ? SampleType::UInt8 : SampleType::UInt16);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const auto [sx, sy] = shownAt(orientation, x, y, w, h);
                    const float* p = image.row(sy) + 4 * sx;
                    ASSERT_EQ(p[3], 1.0f) << "no alpha: opaque";
                    if (layout == TiffLayout::Palette8) {
                        ASSERT_FLOAT_EQ(p[0], float(x + w * y) / 255.0f) << x << "," << y;
                    } else {
                        ASSERT_EQ(std::lround(p[0] * 65535.0f), 1000 * x + 1) << x << "," << y;
                        ASSERT_EQ(std::lround(p[1] * 65535.0f), 1000 * y + 1) << x << "," << y;
                    }
                }
        }
    }
}

TEST_F(TiffPngFidelityTest, TiffKeepsResolutionProfileTextAndItsKindOfAlpha)
{
    TIFF* tif = TIFFOpen(file("in.tif").c_str(), "w");
    const std::vector<unsigned char> profile = iccProfile();
    const std::uint16_t associated[1] = {EXTRASAMPLE_ASSOCALPHA};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, associated);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 150.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, std::uint32_t(profile.size()), profile.data());
    TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, "plate sq010");
    TIFFSetField(tif, TIFFTAG_ARTIST, "camera dept");
    const std::vector<std::uint8_t> row(16, 128);
    for (std::uint32_t y = 0; y < 2; ++y)
        TIFFWriteScanline(tif, const_cast<std::uint8_t*>(row.data()), y, 0);
    TIFFClose(tif);

    passThrough("in.tif", "out.tif");
    tif = TIFFOpen(file("out.tif").c_str(), "r");
    float xres = 0, yres = 0;
    std::uint16_t unit = 0, extraCount = 0;
    std::uint16_t* extra = nullptr;
    std::uint32_t length = 0;
    void* data = nullptr;
    char* text = nullptr;
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) && xres == 300.0f);
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) && yres == 150.0f);
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit) && unit == RESUNIT_INCH);
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &data));
    EXPECT_EQ(std::vector<unsigned char>((unsigned char*)data, (unsigned char*)data + length),
              profile);
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &text) &&
                std::string(text) == "plate sq010");
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_ARTIST, &text) && std::string(text) == "camera dept");
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra));
    EXPECT_EQ(extra[0], EXTRASAMPLE_ASSOCALPHA);
    TIFFClose(tif);
}

TEST_F(TiffPngFidelityTest, PngKeepsColourAndTextChunksAndHasAlphaOnlyWhereItHad)
{
    const std::vector<unsigned char> profile = iccProfile();
    for (const bool withProfile : {true, false}) {
        SCOPED_TRACE(withProfile ? "iCCP" : "sRGB, gAMA, cHRM");
        FILE* f = std::fopen(file("in.png").c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, f);
        png_set_IHDR(png, info, 3, 2, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (withProfile) {
            png_set_iCCP(png, info, "display", 0, profile.data(), png_uint_32(profile.size()));
        } else {
            png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
            png_set_gAMA_fixed(png, info, 45455);
            png_set_cHRM_fixed(png, info, 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000);
        }
        png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
        png_text before[2] = {};
        before[0] = {PNG_TEXT_COMPRESSION_NONE, const_cast<char*>("Title"),
                     const_cast<char*>("sq010 plate")};
        before[1] = {PNG_ITXT_COMPRESSION_NONE, const_cast<char*>("Description"),
                     const_cast<char*>("Aufnahme 3")};
        before[1].lang = const_cast<char*>("de");
        before[1].lang_key = const_cast<char*>("Beschreibung");
        png_set_text(png, info, before, 2);
        png_write_info(png, info);
        const png_byte row[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
        png_write_row(png, row);
        png_write_row(png, row);
        png_text after = {PNG_TEXT_COMPRESSION_zTXt, const_cast<char*>("Comment"),
                          const_cast<char*>("graded later")};
        png_set_text(png, info, &after, 1);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fclose(f);

        EXPECT_FALSE(passThrough("in.png", "out.png").hadAlpha);
        f = std::fopen(file("out.png").c_str(), "rb");
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        info = png_create_info_struct(png);
        png_init_io(png, f);
        png_read_info(png, info);
        EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_RGB);
        png_charp name = nullptr;
        int compression = 0, intent = -1, unit = 0;
        png_bytep kept = nullptr;
        png_uint_32 length = 0, xres = 0, yres = 0;
        png_fixed_point gamma = 0, wx = 0, wy = 0, rx = 0, ry = 0, gx = 0, gy = 0, bx = 0, by = 0;
        if (withProfile) {
            ASSERT_TRUE(png_get_iCCP(png, info, &name, &compression, &kept, &length));
            EXPECT_EQ(std::vector<unsigned char>(kept, kept + length), profile);
            EXPECT_STREQ(name, "display");
        } else {
            EXPECT_TRUE(png_get_sRGB(png, info, &intent) && intent == PNG_sRGB_INTENT_PERCEPTUAL);
            EXPECT_TRUE(png_get_gAMA_fixed(png, info, &gamma) && gamma == 45455);
            EXPECT_TRUE(png_get_cHRM_fixed(png, info, &wx, &wy, &rx, &ry, &gx, &gy, &bx, &by) &&
                        wx == 31270 && by == 6000);
        }
        EXPECT_TRUE(png_get_pHYs(png, info, &xres, &yres, &unit) && xres == 2835);
        png_textp texts = nullptr;
        const int count = png_get_text(png, info, &texts, nullptr);
        ASSERT_EQ(count, 3);
        EXPECT_STREQ(texts[0].text, "sq010 plate");
        EXPECT_STREQ(texts[1].lang_key, "Beschreibung");
        EXPECT_STREQ(texts[2].key, "Comment");
        EXPECT_EQ(texts[2].compression, PNG_TEXT_COMPRESSION_zTXt);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
    }
}
