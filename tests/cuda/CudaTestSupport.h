#pragma once

// Shared by the tests that need a CUDA device: the skip, test frames and
// comparisons.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Skips the calling test, with the reason, where no CUDA device can be used.
#define ZELK_REQUIRE_CUDA()                                                                        \
    do {                                                                                           \
        std::string zelkWhy_;                                                                      \
        if (!zelk_cuda_test::deviceAvailable(&zelkWhy_))                                           \
            GTEST_SKIP() << zelkWhy_;                                                              \
    } while (0)

namespace zelk_cuda_test {

bool deviceAvailable(std::string* why);

// A float whose bit pattern no arithmetic produces (a signalling NaN payload):
// marks unwritten samples.
constexpr uint32_t kUnwrittenBits = 0x7FA5A5A5u;
inline float unwritten()
{
    float f;
    std::memcpy(&f, &kUnwrittenBits, sizeof f);
    return f;
}
inline bool isUnwritten(float v)
{
    return std::memcmp(&v, &kUnwrittenBits, sizeof v) == 0;
}

// width x height RGBA: ramps from -1 to 2 that differ per channel, every
// 97th pixel carrying a NaN or an infinity, alpha varying per pixel.
std::vector<float> testFrame(int width, int height);

// Lopsided LUT of size n (each output channel follows another input axis).
std::vector<float> testLut(int n);

// Worst disagreement between two frames; NaN matches NaN only, infinities
// must match exactly, finite values within `ulps` units in the last place.
struct FrameDiff {
    long mismatches = 0;
    long firstIndex = -1;
    float expected = 0, actual = 0;
};
FrameDiff compareFrames(const std::vector<float>& expected, const std::vector<float>& actual,
                        int ulps);

} // namespace zelk_cuda_test
