// The plug-in's icon: the colour wheel, the grid it is laid out in, and the
// icon the build put into the bundle.
#include "Icon.h"
#include "ContactSheet.h"
#include "zelk/ImageIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace {

using Rgba = std::array<float, 4>;

Rgba pixel(const zelk::RgbaImage& image, int x, int y)
{
    const float* p = image.row(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

zelk::RgbaImage solid(int width, int height, const Rgba& colour)
{
    zelk::RgbaImage image{width, height};
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = colour[i % 4];
    return image;
}

// Mean colour of the square [x0, x0 + side) x [y0, y0 + side).
Rgba meanOf(const zelk::RgbaImage& image, int x0, int y0, int side)
{
    Rgba sum{};
    for (int y = y0; y < y0 + side; ++y)
        for (int x = x0; x < x0 + side; ++x)
            for (int c = 0; c < 4; ++c)
                sum[c] += pixel(image, x, y)[c];
    for (float& s : sum)
        s /= float(side * side);
    return sum;
}

float colourDistance(const Rgba& a, const Rgba& b)
{
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

} // namespace

TEST(ColourWheel, GreyInTheMiddleHueAroundItTransparentOutside)
{
    const zelk::RgbaImage wheel = zelkdemo::makeColourWheel(zelk::lut::TransferCurve::Tevo4, 65);
    const Rgba centre = pixel(wheel, 32, 32);
    EXPECT_EQ(centre[3], 1.0f);
    EXPECT_NEAR(centre[0], centre[1], 1e-6f);
    EXPECT_NEAR(centre[1], centre[2], 1e-6f);
    // Red at three o'clock, cyan opposite; green a third of a turn on, above.
    const Rgba right = pixel(wheel, 62, 32), left = pixel(wheel, 2, 32);
    const Rgba upperLeft = pixel(wheel, 17, 6);
    EXPECT_GT(right[0], right[1] + 0.05f);
    EXPECT_FLOAT_EQ(right[1], right[2]);
    EXPECT_LT(left[0], left[1] - 0.05f);
    EXPECT_GT(upperLeft[1], std::max(upperLeft[0], upperLeft[2]) + 0.05f);
    for (const Rgba& rim : {right, left, upperLeft})
        EXPECT_EQ(rim[3], 1.0f);
    for (int corner : {0, 64})
        EXPECT_EQ(pixel(wheel, corner, corner)[3], 0.0f) << corner;
}

TEST(Icon, TilesFillACentredGridRowByRowOnATransparentSquare)
{
    const std::vector<Rgba> colours = {
        {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 0.5f}, {1, 1, 0, 1}, {0, 1, 1, 1}};
    // Four tiles: two by two, in 64-pixel cells.
    std::vector<zelk::RgbaImage> tiles;
    for (int i = 0; i < 4; ++i)
        tiles.push_back(solid(40, 40, colours[std::size_t(i)]));
    zelk::RgbaImage icon = zelkdemo::makeIcon(tiles, 128);
    ASSERT_EQ(icon.width, 128);
    ASSERT_EQ(icon.height, 128);
    EXPECT_EQ(pixel(icon, 32, 32), colours[0]);
    EXPECT_EQ(pixel(icon, 96, 32), colours[1]);
    EXPECT_EQ(pixel(icon, 32, 96), colours[2]);
    EXPECT_EQ(pixel(icon, 96, 96), colours[3]);
    for (auto [x, y] : {std::pair{0, 0}, {127, 127}, {64, 32}, {32, 64}})
        EXPECT_EQ(pixel(icon, x, y)[3], 0.0f) << x << ", " << y;

    // Five: three columns and two rows, centred; the sixth cell stays empty.
    tiles.push_back(solid(40, 40, colours[4]));
    icon = zelkdemo::makeIcon(tiles, 96);
    EXPECT_EQ(pixel(icon, 16, 32), colours[0]);
    EXPECT_EQ(pixel(icon, 80, 32), colours[2]);
    EXPECT_EQ(pixel(icon, 48, 64), colours[4]);
    EXPECT_EQ(pixel(icon, 80, 64)[3], 0.0f);
    EXPECT_EQ(pixel(icon, 48, 8)[3], 0.0f); // above the grid

    // A wide image keeps its shape: transparent above and below it in its cell.
    icon = zelkdemo::makeIcon({solid(80, 20, colours[0])}, 64);
    EXPECT_EQ(pixel(icon, 32, 32), colours[0]);
    EXPECT_EQ(pixel(icon, 2, 32), colours[0]);
    EXPECT_EQ(pixel(icon, 32, 10)[3], 0.0f);
}

TEST(Icon, RefusesNoImagesAndASquareTooSmallForThem)
{
    EXPECT_THROW(zelkdemo::makeIcon({}, 128), std::invalid_argument);
    const std::vector<zelk::RgbaImage> nine(9, solid(8, 8, {1, 1, 1, 1}));
    EXPECT_THROW(zelkdemo::makeIcon(nine, 12), std::invalid_argument);
    EXPECT_NO_THROW(zelkdemo::makeIcon(nine, 24));
}

// The build's icon: four wheels, each through another look, so each differs
// from the plain wheel and from the others.
TEST(BundleIcon, ShowsTheWheelThroughFourDifferentLooks)
{
    const std::string path =
        std::string(ZELK_TEST_BUNDLE) + "/Contents/Resources/com.ZELKOpenFX.ZELKLookLib.png";
    const zelk::RgbaImage icon = zelk::readImage(path);
    ASSERT_EQ(icon.width, 128);
    ASSERT_EQ(icon.height, 128);
    ASSERT_TRUE(icon.hadAlpha);
    EXPECT_EQ(pixel(icon, 0, 0)[3], 0.0f);

    const zelk::RgbaImage plain =
        zelkdemo::makeIcon({zelkdemo::makeColourWheel(zelk::lut::TransferCurve::Tevo4, 256)}, 64);
    const Rgba plainMean = meanOf(plain, 16, 16, 32);
    std::vector<Rgba> means;
    for (int y : {16, 80})
        for (int x : {16, 80})
            means.push_back(meanOf(icon, x, y, 32));
    for (std::size_t i = 0; i < means.size(); ++i) {
        EXPECT_EQ(means[i][3], 1.0f) << "wheel " << i;
        EXPECT_GT(colourDistance(means[i], plainMean), 0.03f) << "wheel " << i;
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_GT(colourDistance(means[i], means[j]), 0.03f) << "wheels " << j << ", " << i;
    }
}
