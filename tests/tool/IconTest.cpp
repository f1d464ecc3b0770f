// The plug-in's icon: the colour wheel, and the icon the build put into the bundle.
#include "Icon.h"
#include "zelk/ImageIO.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>

namespace {

using Rgba = std::array<float, 4>;

// Mean colour of the square [x0, x0 + side) x [y0, y0 + side).
Rgba meanOf(const zelk::RgbaImage& image, int x0, int y0, int side)
{
    Rgba sum{};
    for (int y = y0; y < y0 + side; ++y)
        for (int x = x0; x < x0 + side; ++x)
            for (int c = 0; c < 4; ++c)
                sum[c] += image.row(y)[4 * x + c] / float(side * side);
    return sum;
}

float colourDistance(const Rgba& a, const Rgba& b)
{
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

} // namespace

TEST(ColourWheel, GreyInTheMiddleColourAtTheRimTransparentOutside)
{
    const zelk::RgbaImage wheel = zelkdemo::makeColourWheel(zelk::lut::TransferCurve::Tevo4, 65);
    const Rgba centre = meanOf(wheel, 32, 32, 1), rim = meanOf(wheel, 62, 32, 1);
    EXPECT_EQ(centre[3], 1.0f);
    EXPECT_LT(colourDistance(centre, {centre[0], centre[0], centre[0], 1}), 1e-5f);
    EXPECT_EQ(rim[3], 1.0f);
    EXPECT_GT(colourDistance(rim, {rim[0], rim[0], rim[0], 1}), 0.1f);
    for (int corner : {0, 64})
        EXPECT_EQ(meanOf(wheel, corner, corner, 1)[3], 0.0f) << corner;
}

TEST(Icon, RefusesNoImagesAndASquareTooSmallForThem)
{
    EXPECT_THROW(zelkdemo::makeIcon({}, 128), std::invalid_argument);
    const std::vector<zelk::RgbaImage> nine(9, zelk::RgbaImage{8, 8});
    EXPECT_THROW(zelkdemo::makeIcon(nine, 12), std::invalid_argument);
    EXPECT_NO_THROW(zelkdemo::makeIcon(nine, 24));
}

// The build's icon: four wheels in a two by two grid on a transparent square, each through
// another look, so each differs from the plain wheel and from the others.
TEST(BundleIcon, ShowsTheWheelThroughFourDifferentLooks)
{
    const zelk::RgbaImage icon = zelk::readImage(
        std::string(ZELK_TEST_BUNDLE) + "/Contents/Resources/com.ZELKOpenFX.ZELKLookLib.png");
    ASSERT_EQ(icon.width, 128);
    ASSERT_EQ(icon.height, 128);
    ASSERT_TRUE(icon.hadAlpha);
    for (auto [x, y] : {std::pair{0, 0}, {127, 127}, {64, 32}, {32, 64}})
        EXPECT_EQ(meanOf(icon, x, y, 1)[3], 0.0f) << x << ", " << y;

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
