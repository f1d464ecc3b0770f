// The look arithmetic through a real render: the bundle, our host and the CPU path.

#include <array>
#include <cmath>
#include <limits>
#include <random>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

// N = 33 with the four corners of one cell chosen so that its results are exact
// in float; every other entry zero.
Lut workedExampleLut()
{
    Lut lut = constantLut(33, 0.0f);
    lut[10431] = {0.25f, 0.5f, 0.125f};
    lut[11520] = {0.5f, 0.5f, 0.125f};
    lut[11553] = {0.5f, 1.0f, 0.0f};
    lut[11554] = {1.0f, 1.0f, 0.25f};
    return lut;
}

using Pixels = std::vector<std::array<float, 4>>;

// One row of pixels rendered through the bundle with `lut` as its only look.
Pixels renderPixels(const Lut& lut, float mix, const Pixels& in)
{
    TestBundle bundle;
    bundle.addLook("L", lut);
    Session session(bundle);
    session.instance().setParam("color", mix);
    Frame src(static_cast<int>(in.size()), 1, 0.0f);
    std::memcpy(src.pixels.data(), in.data(), in.size() * 16);
    Frame dst(src.width(), 1, -7.0f);
    EXPECT_EQ(session.render(src, dst), kOfxStatOK);
    Pixels out(in.size());
    std::memcpy(out.data(), dst.pixels.data(), in.size() * 16);
    return out;
}

void expectPixel(const std::array<float, 4>& p, float r, float g, float b, float a)
{
    EXPECT_EQ(p[0], r);
    EXPECT_EQ(p[1], g);
    EXPECT_EQ(p[2], b);
    EXPECT_EQ(p[3], a);
}

} // namespace

TEST(RenderMath, GeneralCellGivesExactResultsAtHalfAndFullMix)
{
    // General case fr > fg > fb at mix 0.5, alpha kept.
    auto out =
        renderPixels(workedExampleLut(), 0.5f, {{0.3046875f, 0.609375f, 0.10546875f, 0.75f}});
    expectPixel(out[0], 0.46484375f, 0.6796875f, 0.130859375f, 0.75f);

    // Same cell, mix 1: the interpolated colour itself.
    out = renderPixels(workedExampleLut(), 1.0f, {{0.3046875f, 0.609375f, 0.10546875f, 0.5f}});
    expectPixel(out[0], 0.625f, 0.75f, 0.15625f, 0.5f);
}

TEST(RenderMath, EqualFractionsTakeTheGreenNeighbour)
{
    // fr = fg = 0.5, fb = 0.25: the second corner must be the green neighbour
    // (10464). Its weight is zero, so an infinity in the red neighbour (11520)
    // turns the result into NaN if the wrong corner is taken.
    Lut lut = workedExampleLut();
    lut[10464] = {0.75f, 0.25f, 0.5f};
    lut[11520] = {INFINITY, INFINITY, INFINITY};
    auto out = renderPixels(lut, 1.0f, {{0.296875f, 0.609375f, 0.1015625f, 1.0f}});
    // 0.5 * lut0 + 0 * lut1 + 0.25 * lut2 + 0.25 * lut3
    expectPixel(out[0], 0.5f, 0.75f, 0.125f, 1.0f);
}

TEST(RenderMath, NegativeFractionEntersTheWeightsUnchanged)
{
    // N = 20: red 3E21AF28 (just below 3/19) times 19 rounds up to 3.0, so the
    // red fraction is -2^-23. Corners (3,0,0), (3,1,0), (3,1,1), (4,1,1) with
    // weights 1, 0, 2^-23, -2^-23.
    Lut lut = constantLut(20, 0.0f);
    lut[1200] = {0.25f, 0.5f, 0.125f};
    lut[1220] = {0.0f, 0.0f, 0.0f};
    lut[1221] = {1.0f, 0.5f, 0.5f};
    lut[1621] = {0.25f, 0.25f, 0.25f};
    auto out = renderPixels(lut, 1.0f, {{0x1.435e5p-3f, 0.0f, 0.0f, 1.0f}}); // bits 3E21AF28
    // Red: 0.25 + 2^-23 * 1.0 - 2^-23 * 0.25 = 0.25 + 3 * 2^-25, exact in float.
    // Green: 0.5 + 2^-23 * 0.5 - 2^-23 * 0.25 = 0.5 + 2^-25, half an ulp: ties to even.
    // Blue: 0.125 + 2^-25, two ulps of 0.125, exact.
    expectPixel(out[0], 0.25f + 0x1.8p-24f, 0.5f, 0.125f + 0x1p-25f, 1.0f);
}

TEST(RenderMath, OutOfRangeAndNonFiniteInputs)
{
    Lut lut = constantLut(33, 0.0f);
    lut[35936] = {0.875f, 0.625f, 0.375f};                  // the last lattice point
    lut[34864] = {0.5f, 0.25f, 0.75f};                      // (32, 0, 16)
    lut[(0 * 33 + 16) * 33 + 8] = {0.125f, 0.0625f, 0.25f}; // (0, 16, 8)
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();

    auto out = renderPixels(
        lut, 1.0f, {{1.0f, 1.0f, 1.0f, 1.0f}, {5.0f, 2.0f, 1e30f, 0.25f}, {inf, inf, inf, 1.0f}});
    expectPixel(out[0], 0.875f, 0.625f, 0.375f, 1.0f);
    expectPixel(out[1], 0.875f, 0.625f, 0.375f, 0.25f);
    // At mix 1 an infinite source times 0 is NaN.
    EXPECT_TRUE(std::isnan(out[2][0]));

    // The clamp feeds only the look-up; the blend uses the source as it was.
    out = renderPixels(
        lut, 0.5f, {{2.0f, -0.5f, 0.5f, 1.0f}, {nan, 0.5f, 0.25f, 1.0f}, {inf, -inf, 0.5f, 1.0f}});
    EXPECT_EQ(out[0][0], 1.25f);   // 2.0 * 0.5 + 0.5 * 0.5
    EXPECT_EQ(out[0][1], -0.125f); // -0.5 * 0.5 + 0.25 * 0.5
    EXPECT_EQ(out[0][2], 0.625f);  // 0.5 * 0.5 + 0.75 * 0.5
    // NaN red looks up as 0: (0, 16, 8).
    EXPECT_TRUE(std::isnan(out[1][0]));
    EXPECT_EQ(out[1][1], 0.5f * 0.5f + 0.0625f * 0.5f);
    EXPECT_EQ(out[1][2], 0.25f * 0.5f + 0.25f * 0.5f);
    EXPECT_EQ(out[2][0], inf);
    EXPECT_EQ(out[2][1], -inf);
}

TEST(RenderMath, MixEndsReturnSourceOrLookExactly)
{
    // An affine look with a different weight per input axis: tetrahedral
    // interpolation reproduces it, so any axis-order or corner mistake shows.
    const int n = 33;
    const float last = n - 1;
    const Lut lut = makeLut(n, [&](int r, int g, int b) {
        return zelk_vec3<float>{0.5f * r / last + 0.25f * g / last + 0.125f * b / last,
                                0.75f * g / last + 0.125f * b / last,
                                0.625f * b / last + 0.25f * r / last};
    });
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Pixels in(64);
    for (auto& p : in) {
        p = {unit(rng), unit(rng), unit(rng), unit(rng)};
    }
    auto atZero = renderPixels(lut, 0.0f, in);
    auto atOne = renderPixels(lut, 1.0f, in);
    for (size_t i = 0; i < in.size(); ++i) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(atZero[i][c], in[i][c]) << "pixel " << i << " channel " << c;
        }
        const float r = in[i][0], g = in[i][1], b = in[i][2];
        EXPECT_NEAR(atOne[i][0], 0.5f * r + 0.25f * g + 0.125f * b, 2e-6f) << i;
        EXPECT_NEAR(atOne[i][1], 0.75f * g + 0.125f * b, 2e-6f) << i;
        EXPECT_NEAR(atOne[i][2], 0.625f * b + 0.25f * r, 2e-6f) << i;
        EXPECT_EQ(atOne[i][3], in[i][3]);
    }
}
