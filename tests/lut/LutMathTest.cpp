// The tetrahedral set-up that every path shares (LutMath.h), against the
// corner table it implements, written out independently: the cell, the
// corners taken under every tie of the fractions, and the weights, bit for bit.

#include "LutMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

struct Rgb {
    float r, g, b;
};

// Every combination of lattice points, cell interiors, ties, values outside
// [0, 1], non-finite values and a product that rounds up to the next lattice
// point (a negative fraction for N = 20); then a -1..2 ramp per channel.
std::vector<Rgb> testColours()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {-1.0f, -0.25f,    0.0f,       1.0f / 64,    0.1f,
                            0.25f, 0.296875f, 0.3046875f, 0.5f,         0.609375f,
                            0.75f, 0.999f,    1.0f,       1.5f,         2.0f,
                            nan,   inf,       -inf,       0x1.435e5p-3f /* bits 3E21AF28 */};
    std::vector<Rgb> colours;
    for (float r : values)
        for (float g : values)
            for (float b : values)
                colours.push_back({r, g, b});
    for (int i = 0; i <= 768; ++i) {
        const float t = -1.0f + i / 256.0f;
        colours.push_back({t, 1.0f - t, t * t - 0.5f});
    }
    return colours;
}

// The cell's corners from the six-row table of the second and third corners'
// (r, g, b) offsets, chosen by the order of the fractions.
ZelkTetra fromCornerTable(float r, float g, float b, int n)
{
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

} // namespace

TEST(LutMath, TetrahedralSetUpFollowsTheCornerTable)
{
    const std::vector<Rgb> colours = testColours();
    for (int n : {2, 18, 20, 33, 65}) {
        int mismatches = 0;
        for (const Rgb& p : colours) {
            const ZelkTetra want = fromCornerTable(p.r, p.g, p.b, n);
            const ZelkTetra got = zelk_tetra_setup(p.r, p.g, p.b, n);
            const bool same = std::memcmp(want.corner, got.corner, sizeof want.corner) == 0 &&
                              std::memcmp(want.weight, got.weight, sizeof want.weight) == 0;
            if (!same && ++mismatches <= 5)
                ADD_FAILURE() << "N " << n << " colour (" << p.r << ", " << p.g << ", " << p.b
                              << "): corners " << got.corner[1] << "/" << got.corner[2]
                              << " expected " << want.corner[1] << "/" << want.corner[2];
        }
        EXPECT_EQ(mismatches, 0) << "N " << n;
    }
}
