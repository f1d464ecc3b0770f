// The host's pixel conversions: half precision bit for bit against Imath, and images of every
// format converted with their rows in either order.
#include "PixelFormat.h"

#include <ofxhost/Error.h>

#include <Imath/half.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using ofxhost::Channels;
using ofxhost::Depth;

std::uint32_t bitsOf(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float floatOf(std::uint32_t b)
{
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

TEST(PixelFormat, HalfPrecisionMatchesImathBitForBit)
{
    for (std::uint32_t h = 0; h < 0x10000; ++h) {
        Imath::half reference;
        reference.setBits(static_cast<std::uint16_t>(h));
        const float wide = ofxhost::halfToFloat(static_cast<std::uint16_t>(h));
        if (reference.isNan()) {
            ASSERT_TRUE(std::isnan(wide)) << h;
            ASSERT_TRUE(std::isnan(ofxhost::halfToFloat(ofxhost::floatToHalf(wide)))) << h;
            continue;
        }
        ASSERT_EQ(bitsOf(wide), bitsOf(float(reference))) << h;
        ASSERT_EQ(ofxhost::floatToHalf(wide), h) << "round trip of " << h;
        // Halfway to the next half up, and just either side of it: ties go to the even one.
        const float next = ofxhost::halfToFloat(static_cast<std::uint16_t>(h + 1));
        if ((h & 0x7fff) < 0x7bff) {
            const float mid = float((double(wide) + double(next)) / 2);
            for (const float v : {mid, std::nextafter(mid, 0.0f), std::nextafter(mid, 1e9f)})
                ASSERT_EQ(ofxhost::floatToHalf(v), Imath::half(v).bits()) << v;
        }
    }
    std::mt19937 random(7);
    for (int i = 0; i < 1000000; ++i) {
        const float v = floatOf(static_cast<std::uint32_t>(random()));
        if (!std::isnan(v)) {
            ASSERT_EQ(ofxhost::floatToHalf(v), Imath::half(v).bits()) << v;
        }
    }
}

TEST(PixelFormat, ImagesConvertBetweenEveryFormatWithRowsEitherWay)
{
    // A 3 x 2 float RGBA image stored top row first, handed over bottom row first.
    std::vector<float> rows = {0.0f,  0.2f, 0.4f, 1.0f,  0.6f, 0.8f, 1.0f, 0.5f,
                               -1.0f, 2.0f, NAN,  0.0f,  0.1f, 0.3f, 0.5f, 0.7f,
                               0.9f,  1.0f, 0.0f, 0.25f, 1.0f, 1.0f, 1.0f, 1.0f};
    ofxhost::ImageDesc src;
    src.data = rows.data() + 12; // the bottom row is the second one in memory
    src.rowBytes = -3 * 16;
    src.bounds = {10, 20, 13, 22};

    const ofxhost::PixelBuffer bytes = ofxhost::convertPixels(src, {Depth::Byte, Channels::RGBA});
    EXPECT_EQ(bytes.image.bounds.x1, 10);
    EXPECT_EQ(bytes.image.rowBytes, 12);
    const auto* b = static_cast<const unsigned char*>(bytes.image.data);
    EXPECT_EQ(b[0], 26) << "0.1 of the bottom row's first pixel";
    EXPECT_EQ(b[12 + 8], 0) << "-1 clamps to 0";
    EXPECT_EQ(b[12 + 9], 255) << "2 clamps to 1";
    EXPECT_EQ(b[12 + 10], 0) << "NaN becomes 0";

    const ofxhost::PixelBuffer alpha = ofxhost::convertPixels(src, {Depth::Float, Channels::Alpha});
    const auto* a = static_cast<const float*>(alpha.image.data);
    EXPECT_EQ(a[1], 0.25f);
    EXPECT_EQ(alpha.image.rowBytes, 12);

    // Alpha back to RGBA is grey of the alpha; RGB gains an opaque alpha.
    const ofxhost::PixelBuffer grey =
        ofxhost::convertPixels(alpha.image, {Depth::Float, Channels::RGBA});
    const auto* g = static_cast<const float*>(grey.image.data);
    EXPECT_EQ((std::vector<float>(g + 4, g + 8)), (std::vector<float>{0.25f, 0.25f, 0.25f, 0.25f}));
    const ofxhost::PixelBuffer rgb = ofxhost::convertPixels(src, {Depth::Short, Channels::RGB});
    const ofxhost::PixelBuffer back =
        ofxhost::convertPixels(rgb.image, {Depth::Float, Channels::RGBA});
    const auto* f = static_cast<const float*>(back.image.data);
    EXPECT_EQ(f[3], 1.0f);
    EXPECT_EQ(f[1], std::round(0.3f * 65535.0f) / 65535.0f);

    ofxhost::ImageDesc odd = src;
    odd.components = "OfxImageComponentYUVA";
    EXPECT_THROW(ofxhost::convertPixels(odd, {Depth::Float, Channels::RGBA}), ofxhost::Error);
}

} // namespace
