// The GPU pixel rule (LutMath.h, the body of both Process3DLUT kernels)
// compiled for the host and held against the CPU path: the same cell, corners
// and weights, and outputs that differ only where the fused blend rounds once
// fewer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "LookRow.h"
#include "LutMath.h"

namespace {

struct Px {
    float x, y, z, w;
};

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// The LUT is stored with one spare float, as the CPU row functions expect.
struct Lut {
    int n;
    std::vector<float> data;
};

// Non-monotonic, out of range and different per channel, so a swapped axis or
// corner changes the result.
Lut random_lut(int n, unsigned seed)
{
    Lut lut{n, std::vector<float>(3 * n * n * n + 1, 0.0f)};
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-0.5f, 1.5f);
    for (int i = 0; i < 3 * n * n * n; ++i)
        lut.data[i] = dist(gen);
    return lut;
}

// Chart: every combination of lattice points, cell interiors, ties, values
// outside [0, 1], non-finite values and a product that rounds up to the next
// lattice point (negative fraction for N = 20); then a -1..2 ramp per channel.
std::vector<Px> test_pixels()
{
    const float values[] = {-1.0f, -0.25f,    0.0f,       1.0f / 64,    0.1f,
                            0.25f, 0.296875f, 0.3046875f, 0.5f,         0.609375f,
                            0.75f, 0.999f,    1.0f,       1.5f,         2.0f,
                            kNaN,  kInf,      -kInf,      0x1.435e5p-3f /* bits 3E21AF28 */};
    std::vector<Px> px;
    float alpha = 0.0f;
    for (float r : values)
        for (float g : values)
            for (float b : values) {
                px.push_back({r, g, b, alpha});
                alpha = alpha < 1.0f ? alpha + 0.125f : -0.5f;
            }
    for (int i = 0; i <= 768; ++i) {
        const float t = -1.0f + i / 256.0f;
        px.push_back({t, 1.0f - t, t * t - 0.5f, t});
    }
    return px;
}

// The GPU corner rule written out from its six-row table and its weight
// formulas, independently of LutMath.h.
ZelkTetra gpu_rule_cell(float r, float g, float b, int n)
{
    // The second and third corners' (r, g, b) offsets, row by row.
    static const int kRows[6][2][3] = {{{1, 0, 0}, {1, 1, 0}}, {{1, 0, 0}, {1, 0, 1}},
                                       {{0, 0, 1}, {1, 0, 1}}, {{0, 0, 1}, {0, 1, 1}},
                                       {{0, 1, 0}, {0, 1, 1}}, {{0, 1, 0}, {1, 1, 0}}};
    static const int kFirst[3] = {0, 0, 0}, kLast[3] = {1, 1, 1};
    const float v[3] = {r, g, b};
    const int m = n - 1;
    int c[3];
    float f[3];
    for (int k = 0; k < 3; ++k) {
        const float s = std::isnan(v[k]) ? 0.0f : std::min(std::max(v[k], 0.0f), 1.0f);
        c[k] = int(s * float(m));
        f[k] = std::fma(s, float(m), -float(c[k]));
    }
    const float fr = f[0], fg = f[1], fb = f[2];
    const int row = fr > fg && fg > fb   ? 0
                    : fr > fg && fr > fb ? 1
                    : fr > fg            ? 2
                    : fb > fg            ? 3
                    : fb > fr            ? 4
                                         : 5;
    auto index = [&](const int* d) {
        return (std::min(c[0] + d[0], m) * n + std::min(c[1] + d[1], m)) * n +
               std::min(c[2] + d[2], m);
    };
    const float fmax = std::max(std::max(fr, fg), fb);
    const float fmin = std::min(std::min(fr, fg), fb);
    const float fmid = ((fr + fg) + fb - fmax) - fmin;
    ZelkTetra t;
    const int* corners[4] = {kFirst, kRows[row][0], kRows[row][1], kLast};
    const float weights[4] = {1.0f - fmax, fmax - fmid, fmid - fmin, fmin};
    for (int k = 0; k < 4; ++k) {
        t.corner[k] = index(corners[k]);
        t.weight[k] = weights[k];
    }
    return t;
}

bool same_bits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool same_value(float a, float b)
{
    return (std::isnan(a) && std::isnan(b)) || same_bits(a, b);
}

float ulp(float v)
{
    v = std::fabs(v);
    return std::nextafter(v, kInf) - v;
}

std::vector<Px> cpu_row(const Lut& lut, float mix, const std::vector<Px>& src)
{
    zelk::LookRowParams params{lut.data.data(), lut.n, mix, 1.0f - mix};
    std::vector<Px> dst(src.size());
    zelk::lookRowScalar(params, &src[0].x, &dst[0].x, int(src.size()));
    return dst;
}

TEST(CudaPixelRule, SharedInterpolationMatchesTheGpuCornerTable)
{
    const auto pixels = test_pixels();
    for (int n : {2, 18, 20, 33, 65}) {
        int mismatches = 0;
        for (const Px& p : pixels) {
            const ZelkTetra expected = gpu_rule_cell(p.x, p.y, p.z, n);
            const ZelkTetra actual = zelk_tetra_setup(p.x, p.y, p.z, n);
            bool same = true;
            for (int k = 0; k < 4; ++k) {
                same = same && expected.corner[k] == actual.corner[k] &&
                       same_bits(expected.weight[k], actual.weight[k]);
            }
            if (!same && ++mismatches <= 5) {
                ADD_FAILURE() << "N " << n << " pixel (" << p.x << ", " << p.y << ", " << p.z
                              << "): corners " << actual.corner[1] << "/" << actual.corner[2]
                              << " expected " << expected.corner[1] << "/" << expected.corner[2];
            }
            EXPECT_GE(actual.corner[0], 0);
            EXPECT_LT(actual.corner[3], n * n * n);
        }
        EXPECT_EQ(mismatches, 0) << "N " << n;
    }
}

TEST(CudaPixelRule, OutputsAgreeWithTheCpuPathWithinTheFusedRounding)
{
    const auto src = test_pixels();
    const Lut luts[] = {random_lut(18, 3), random_lut(33, 5), random_lut(20, 7),
                        random_lut(65, 11)};
    for (const Lut& lut : luts) {
        for (float mix : {0.0f, 0.5f, 1.0f, 0.3f, 0.85f}) {
            // At 0, 0.5 and 1 the blends are exact products, so fusing cannot change a
            // bit. Otherwise the CPU rounds the source product and the GPU does not:
            // one ulp of the larger of that product and the result.
            const bool exact = mix == 0.0f || mix == 0.5f || mix == 1.0f;
            const auto cpu = cpu_row(lut, mix, src);
            for (size_t i = 0; i < src.size(); ++i) {
                const ZelkRgba gpu = zelk_look_pixel_gpu(lut.data.data(), lut.n, mix, src[i].x,
                                                         src[i].y, src[i].z, src[i].w);
                const float s[3] = {src[i].x, src[i].y, src[i].z};
                const float g[3] = {gpu.r, gpu.g, gpu.b};
                const float c[3] = {cpu[i].x, cpu[i].y, cpu[i].z};
                for (int k = 0; k < 3; ++k) {
                    const bool same = exact || !std::isfinite(c[k]) || !std::isfinite(g[k])
                                          ? same_value(g[k], c[k])
                                          : std::fabs(g[k] - c[k]) <=
                                                std::max(ulp(s[k] * (1.0f - mix)), ulp(c[k]));
                    ASSERT_TRUE(same) << "N " << lut.n << " mix " << mix << " pixel " << i << " ("
                                      << s[0] << ", " << s[1] << ", " << s[2] << ") channel " << k
                                      << ": gpu " << g[k] << " cpu " << c[k];
                }
                ASSERT_TRUE(same_bits(gpu.a, src[i].w)) << "alpha of pixel " << i;
            }
        }
    }
}

} // namespace
