// The host's half precision bit for bit against Imath (images of every format converted with
// their rows either way: the clip preferences' tests).
#include "PixelFormat.h"

#include <Imath/half.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

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

} // namespace
