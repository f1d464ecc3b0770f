// Round trips and failures of zelk_imageio, with files written by the format
// libraries directly where our writer cannot make them (no alpha, grey).
#include "zelk/ImageIO.h"
#include "ExrFixtures.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;
using namespace zelk;

namespace {

class ImageIOTest : public tooltest::ScratchDirTest {};

// Every pixel differs, rows and channels are told apart, values run past [0, 1].
RgbaImage testImage(int width, int height)
{
    RgbaImage image{width, height};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float* p = image.row(y) + 4 * x;
            p[0] = -0.25f + 1.5f * x / (width - 1);
            p[1] = float(y) / (height - 1);
            p[2] = 0.5f + 0.013f * float((x * 7 + y * 3) % 11);
            p[3] = 0.1f + 0.8f * float((x + y) % 5) / 4;
        }
    return image;
}

// An 8-bit grey PNG: pixel x of row y holds 10 y + x.
void writeGreyPng(const std::string& path, int width, int height)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[std::size_t(x)] = png_byte(10 * y + x);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

} // namespace

TEST_F(ImageIOTest, EveryFormatAndDepthRoundTripsWithAlphaAndFloatsKeepEveryBit)
{
    RgbaImage image = testImage(37, 23);
    const float special[] = {NAN, INFINITY, -INFINITY, -0.0f, 1e-30f, 65504.0f, 1e20f, -1e-20f};
    std::copy(std::begin(special), std::end(special), image.pixels.begin());
    const struct {
        const char* name;
        SampleType sample;
        float tolerance;
    } cases[] = {
        {"f.exr", SampleType::Float, 0.0f},  {"h.exr", SampleType::Half, 1e-3f},
        {"8.png", SampleType::UInt8, 0.0f},  {"16.png", SampleType::UInt16, 0.0f},
        {"8.tif", SampleType::UInt8, 0.0f},  {"16.tif", SampleType::UInt16, 0.0f},
        {"f.tiff", SampleType::Float, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeImage(file(c.name), image, formatFromFileName(file(c.name)), c.sample);
        const RgbaImage back = readImage(file(c.name));
        ASSERT_EQ(back.width, image.width);
        ASSERT_EQ(back.height, image.height);
        EXPECT_EQ(back.storedAs, c.sample);
        EXPECT_TRUE(back.hadAlpha);
        if (c.sample == SampleType::Float) {
            EXPECT_EQ(std::memcmp(back.pixels.data(), image.pixels.data(),
                                  image.pixels.size() * sizeof(float)),
                      0);
            continue;
        }
        const float levels = c.sample == SampleType::UInt8    ? 255.0f
                             : c.sample == SampleType::UInt16 ? 65535.0f
                                                              : 0.0f;
        for (std::size_t i = std::size(special); i < image.pixels.size(); ++i) {
            const float v = image.pixels[i];
            const float want = levels ? std::round(std::clamp(v, 0.0f, 1.0f) * levels) / levels : v;
            ASSERT_NEAR(back.pixels[i], want, c.tolerance * std::max(1.0f, std::fabs(want)))
                << "sample " << i;
        }
    }
}

TEST_F(ImageIOTest, GreyFilesReadGreyAndOpaque)
{
    // (Colour without alpha: the TIFF orientation and PNG chunk tests.)
    writeGreyPng(file("grey.png"), 5, 3);
    exrtest::writeExr(file("y.exr"), {exrtest::makeHeader(0, 0, 5, 3, {"Y"})});
    const RgbaImage png = readImage(file("grey.png")), exr = readImage(file("y.exr"));
    EXPECT_FLOAT_EQ(png.row(2)[4 * 3], float(10 * 2 + 3) / 255.0f);
    EXPECT_GT(exr.row(2)[4], 0.0f);
    for (const RgbaImage* image : {&png, &exr}) {
        EXPECT_FALSE(image->hadAlpha);
        for (std::size_t i = 0; i < image->pixels.size(); i += 4)
            ASSERT_TRUE(image->pixels[i] == image->pixels[i + 1] &&
                        image->pixels[i] == image->pixels[i + 2] && image->pixels[i + 3] == 1.0f)
                << "grey and opaque at " << i / 4;
    }
}

TEST_F(ImageIOTest, FilesCutShortFailWithTheFileName)
{
    // Each format's own decoder meets the end of the data (headers that promise more than the
    // file can hold are refused earlier: HostileInputTest).
    for (const char* name : {"cut.exr", "cut.png", "cut.tif"}) {
        const std::string path = file(name);
        const bool exr = formatFromFileName(path) == FileFormat::Exr;
        writeImage(path, testImage(16, 16), formatFromFileName(path),
                   exr ? SampleType::Half : SampleType::UInt8);
        fs::resize_file(path, fs::file_size(path) / 2);
        try {
            readImage(path);
            ADD_FAILURE() << "no error for " << name;
        } catch (const ImageIOError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}
