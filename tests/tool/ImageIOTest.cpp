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
#include <fstream>
#include <functional>

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

float expectedStored(float v, SampleType sample)
{
    switch (sample) {
    case SampleType::UInt8:
        return std::round(std::clamp(v, 0.0f, 1.0f) * 255.0f) / 255.0f;
    case SampleType::UInt16:
        return std::round(std::clamp(v, 0.0f, 1.0f) * 65535.0f) / 65535.0f;
    default:
        return v;
    }
}

void writeRgbPng(const std::string& path, int width, int height, int colourType)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const int channels = colourType == PNG_COLOR_TYPE_GRAY ? 1 : 3;
    std::vector<png_byte> row(width * channels);
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < width * channels; ++i)
            row[i] = png_byte(10 * y + i);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void expectMessageNames(const std::function<void()>& action, const std::string& path)
{
    try {
        action();
        ADD_FAILURE() << "no error for " << path;
    } catch (const ImageIOError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

} // namespace

TEST_F(ImageIOTest, EveryFormatAndDepthRoundTripsWithAlpha)
{
    const RgbaImage image = testImage(37, 23);
    const struct {
        const char* name;
        FileFormat format;
        SampleType sample;
        float tolerance;
    } cases[] = {
        {"f.exr", FileFormat::Exr, SampleType::Float, 0.0f},
        {"h.exr", FileFormat::Exr, SampleType::Half, 1e-3f},
        {"8.png", FileFormat::Png, SampleType::UInt8, 0.0f},
        {"16.png", FileFormat::Png, SampleType::UInt16, 0.0f},
        {"8.tif", FileFormat::Tiff, SampleType::UInt8, 0.0f},
        {"16.tif", FileFormat::Tiff, SampleType::UInt16, 0.0f},
        {"f.tiff", FileFormat::Tiff, SampleType::Float, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatFromFileName(file(c.name)), c.format);
        writeImage(file(c.name), image, c.format, c.sample);
        const RgbaImage back = readImage(file(c.name));
        ASSERT_EQ(back.width, image.width);
        ASSERT_EQ(back.height, image.height);
        EXPECT_EQ(back.storedAs, c.sample);
        EXPECT_TRUE(back.hadAlpha);
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            const float want = expectedStored(image.pixels[i], c.sample);
            ASSERT_NEAR(back.pixels[i], want, c.tolerance * std::max(1.0f, std::fabs(want)))
                << "sample " << i;
        }
    }
}

TEST_F(ImageIOTest, FloatFilesKeepEveryBitIncludingNonFiniteValues)
{
    RgbaImage image{4, 1};
    const float values[16] = {-2.5f,     1e-30f,  65504.0f, 1.0f / 3.0f, NAN,  INFINITY,
                              -INFINITY, 0.0f,    -0.0f,    7.0f,        0.1f, 0.2f,
                              1e20f,     -1e-20f, 3.0f,     0.5f};
    std::copy(values, values + 16, image.pixels.begin());
    for (const char* name : {"bits.exr", "bits.tif"}) {
        writeImage(file(name), image, formatFromFileName(name), SampleType::Float);
        const RgbaImage back = readImage(file(name));
        EXPECT_EQ(std::memcmp(back.pixels.data(), image.pixels.data(), sizeof values), 0) << name;
    }
}

TEST_F(ImageIOTest, FilesWithoutAlphaReadWithAlphaOne)
{
    // (TIFF without alpha: the orientation tests.)
    writeRgbPng(file("rgb.png"), 5, 3, PNG_COLOR_TYPE_RGB);
    writeRgbPng(file("grey.png"), 5, 3, PNG_COLOR_TYPE_GRAY);
    exrtest::writeExr(file("rgb.exr"), {exrtest::makeHeader(0, 0, 5, 3, {"R", "G", "B"})});
    exrtest::writeExr(file("y.exr"), {exrtest::makeHeader(0, 0, 5, 3, {"Y"})});

    const RgbaImage png = readImage(file("rgb.png"));
    EXPECT_FLOAT_EQ(png.row(1)[4 * 2 + 1], float(10 * 1 + 2 * 3 + 1) / 255.0f);
    const RgbaImage grey = readImage(file("grey.png"));
    const RgbaImage y = readImage(file("y.exr")), exr = readImage(file("rgb.exr"));
    EXPECT_FLOAT_EQ(grey.row(2)[4 * 3 + 2], float(10 * 2 + 3) / 255.0f);
    for (const RgbaImage* image : {&grey, &y})
        for (std::size_t i = 0; i < image->pixels.size(); i += 4)
            ASSERT_TRUE(image->pixels[i] == image->pixels[i + 1] &&
                        image->pixels[i] == image->pixels[i + 2])
                << "grey at " << i / 4;
    EXPECT_GT(y.row(2)[4], 0.0f);

    for (const RgbaImage* image : {&png, &grey, &y, &exr}) {
        EXPECT_FALSE(image->hadAlpha);
        for (std::size_t i = 3; i < image->pixels.size(); i += 4)
            ASSERT_EQ(image->pixels[i], 1.0f);
    }
}

TEST_F(ImageIOTest, BadFilesFailWithTheFileName)
{
    const RgbaImage image = testImage(16, 16);
    // (A missing file, one of text, an unknown extension or an unwritable
    // directory: ofx-render's tests, as a user meets them.)
    std::ofstream(file("empty.png")).flush();
    expectMessageNames([&] { readImage(file("empty.png")); }, file("empty.png"));

    // Each format cut short half-way through its data.
    for (const char* name : {"cut.exr", "cut.png", "cut.tif"}) {
        writeImage(file(name), image, formatFromFileName(name),
                   formatFromFileName(name) == FileFormat::Exr ? SampleType::Half
                                                               : SampleType::UInt8);
        fs::resize_file(file(name), fs::file_size(file(name)) / 2);
        expectMessageNames([&] { readImage(file(name)); }, file(name));
    }

    expectMessageNames(
        [&] { writeImage(file("f.png"), image, FileFormat::Png, SampleType::Float); },
        file("f.png"));
    expectMessageNames(
        [&] { writeImage(file("h.tif"), image, FileFormat::Tiff, SampleType::Half); },
        file("h.tif"));
    EXPECT_FALSE(fs::exists(file("f.png")));
}
