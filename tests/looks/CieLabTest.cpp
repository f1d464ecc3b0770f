// The colour maths behind the look-quality checks, against published figures.

#include "CieLab.h"

#include <gtest/gtest.h>

using namespace lookquality;

namespace {

struct Pair {
    Lab x, y;
    double expected;
};

// Test pairs of the CIEDE2000 data set published by Sharma, Wu and Dalal
// (2005), four decimals as printed: one or two of each group, covering the hue
// wrap at 0/360 degrees, the mean-hue branch at exactly 180 degrees apart, the
// blue rotation term, the chroma stretch of near-neutrals and large differences.
const Pair kSharma[] = {
    {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
    {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
    {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
    {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
    {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
};

} // namespace

TEST(CieLab, Ciede2000MatchesThePublishedPairsBothWaysRound)
{
    int row = 0;
    for (const Pair& p : kSharma) {
        ++row;
        EXPECT_NEAR(ciede2000(p.x, p.y), p.expected, 5e-5) << "pair " << row;
        EXPECT_NEAR(ciede2000(p.y, p.x), p.expected, 5e-5) << "pair " << row << " reversed";
        EXPECT_EQ(ciede2000(p.x, p.x), 0.0) << "pair " << row;
    }
}

TEST(CieLab, DisplayCodesAndHuesGiveTheirPublishedValues)
{
    // Full-code primaries and white are display-linear 1, whatever the gamma;
    // their Lab values under D65 are well known. Mid code of a 2.4 gamma
    // display is linear 0.5^2.4 = 0.18946, L* 50.62.
    const struct {
        double code[3], L, a, b;
    } colours[] = {{{1, 1, 1}, 100.0, 0.0, 0.0},       {{0, 0, 0}, 0.0, 0.0, 0.0},
                   {{1, 0, 0}, 53.24, 80.09, 67.20},   {{0, 1, 0}, 87.73, -86.18, 83.18},
                   {{0, 0, 1}, 32.30, 79.19, -107.86}, {{0.5, 0.5, 0.5}, 50.62, 0.0, 0.0}};
    for (const auto& c : colours) {
        const Lab lab = labFromDisplayCode(c.code[0], c.code[1], c.code[2]);
        EXPECT_NEAR(lab.L, c.L, 0.01) << c.code[0] << " " << c.code[1] << " " << c.code[2];
        EXPECT_NEAR(lab.a, c.a, 0.01) << c.code[0] << " " << c.code[1] << " " << c.code[2];
        EXPECT_NEAR(lab.b, c.b, 0.01) << c.code[0] << " " << c.code[1] << " " << c.code[2];
    }
    // The linear segment near black: Y = 0.001 is L* 0.9033.
    EXPECT_NEAR(labFromLinear(0.001, 0.001, 0.001).L, 0.9033, 1e-4);
    // Red sits at the published 40 degrees; differences wrap round the circle.
    EXPECT_NEAR(hueAngle(labFromDisplayCode(1, 0, 0)), 39.99, 0.01);
    EXPECT_NEAR(hueAngle({50, 10, -10}), 315.0, 1e-12);
    EXPECT_NEAR(hueDifference(350.0, 10.0), 20.0, 1e-12);
    EXPECT_NEAR(hueDifference(10.0, 350.0), -20.0, 1e-12);
}
