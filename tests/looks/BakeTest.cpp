// Baking .cube domains, shapers and 1D tables onto the plug-in's 0..1 lattice,
// against direct evaluation of the function the source table samples.

#include "Bake.h"
#include "CubeText.h"
#include "LutError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

using namespace zelk::lut;

namespace {

using Fn = std::function<void(const double in[3], double out[3])>;

std::string number(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
}

// Rows of a 3D table of `n` points sampling `f` over [lo, hi] per channel, red fastest.
std::string table3d(int n, double lo, double hi, const Fn& f)
{
    std::string rows;
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const double in[3] = {lo + (hi - lo) * r / (n - 1), lo + (hi - lo) * g / (n - 1),
                                      lo + (hi - lo) * b / (n - 1)};
                double out[3];
                f(in, out);
                rows += number(out[0]) + " " + number(out[1]) + " " + number(out[2]) + "\n";
            }
    return rows;
}

std::string table1d(int n, double lo, double hi, const std::function<double(double)>& f)
{
    std::string rows;
    for (int i = 0; i < n; ++i) {
        const double v = f(lo + (hi - lo) * i / (n - 1));
        rows += number(v) + " " + number(v) + " " + number(v) + "\n";
    }
    return rows;
}

// Largest difference between the baked lattice and `f` at the lattice's points.
double worstError(const LatticeLut& lut, const Fn& f)
{
    double worst = 0.0;
    const double last = lut.size - 1;
    for (int r = 0; r < lut.size; ++r)
        for (int g = 0; g < lut.size; ++g)
            for (int b = 0; b < lut.size; ++b) {
                const double in[3] = {r / last, g / last, b / last};
                double want[3];
                f(in, want);
                const float* e = lut.entry(r, g, b);
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::fabs(e[c] - want[c]));
            }
    return worst;
}

LatticeLut convert(const std::string& text, int size = 0)
{
    const CubeText cube = parseCubeText(text, "t.cube");
    return convertCube(cube, planConversion(cube, size, "t.cube"));
}

// Affine in each channel with crosstalk: tetrahedral interpolation is exact
// for it, so only float rounding separates baked and direct values.
void affine(const double in[3], double out[3])
{
    out[0] = 0.7 * in[0] + 0.2 * in[1] + 0.1 * in[2] + 0.05;
    out[1] = -0.3 * in[0] + 1.1 * in[1] + 0.2 * in[2];
    out[2] = 0.1 * in[0] + 0.1 * in[1] + 0.5 * in[2] - 0.1;
}

} // namespace

TEST(Bake, DomainIsBakedOntoTheUnitLattice)
{
    // The source covers -0.5..2; the plug-in's lattice 0..1 must sample the same function.
    const std::string text = "LUT_3D_SIZE 9\nDOMAIN_MIN -0.5 -0.5 -0.5\nDOMAIN_MAX 2 2 2\n" +
                             table3d(9, -0.5, 2.0, affine);
    const LatticeLut lut = convert(text, 33);
    EXPECT_EQ(lut.size, 33);
    EXPECT_LT(worstError(lut, affine), 2e-6);
    // A source lattice of 9 is only resampled on request.
    EXPECT_THROW(convert(text), LutError);

    // A curved function: tetrahedral interpolation error h^2/8 * max f'' on a
    // lattice of step h = 2/64 over 0..2 stays below 2.5e-4 for x^2.
    const Fn square = [](const double in[3], double out[3]) {
        for (int c = 0; c < 3; ++c)
            out[c] = in[c] * in[c];
    };
    const std::string curved = "LUT_3D_SIZE 65\nDOMAIN_MAX 2 2 2\n" + table3d(65, 0.0, 2.0, square);
    const LatticeLut baked = convert(curved);
    EXPECT_EQ(baked.size, 65); // the file's own size when above 33
    EXPECT_LT(worstError(baked, square), 2.5e-4);
}

TEST(Bake, ShaperFeedsTheThreeDTable)
{
    // 1D shaper over 0..4 squaring its input into 0..1, then a 3D table over
    // -0.25..1.25. Direct: affine(shaper(x)). Linear interpolation of the
    // shaper (1024 entries, step h = 4/1023) errs by at most h^2/8 * 2/16.
    const auto shaper = [](double x) { return (x / 4) * (x / 4); };
    const std::string text = "LUT_1D_SIZE 1024\nLUT_3D_SIZE 17\nLUT_1D_INPUT_RANGE 0 4\n"
                             "LUT_3D_INPUT_RANGE -0.25 1.25\n" +
                             table1d(1024, 0.0, 4.0, shaper) + table3d(17, -0.25, 1.25, affine);
    const Fn direct = [&](const double in[3], double out[3]) {
        const double s[3] = {shaper(in[0]), shaper(in[1]), shaper(in[2])};
        affine(s, out);
    };
    const LatticeLut lut = convert(text, 33);
    EXPECT_LT(worstError(lut, direct), 1e-5);

    // A shaper whose 3D lattice is small is baked to the requested size, not refused.
    const CubeText cube = parseCubeText(text, "t.cube");
    EXPECT_THROW(planConversion(cube, 0, "t.cube"), LutError); // 17 without --size
}

TEST(Bake, OneDOnlyFileBecomesALattice)
{
    const auto curve = [](double x) { return 0.1 + 0.8 * x; };
    const std::string text = "LUT_1D_SIZE 5\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n" +
                             table1d(5, 0.0, 1.0, curve);
    const LatticeLut lut = convert(text);
    EXPECT_EQ(lut.size, 33);
    const Fn direct = [&](const double in[3], double out[3]) {
        for (int c = 0; c < 3; ++c)
            out[c] = curve(in[c]);
    };
    EXPECT_LT(worstError(lut, direct), 1e-6);
}

TEST(Bake, PlanSaysWhatHappensAndRefusesSmallLattices)
{
    const auto identity = [](const double in[3], double out[3]) {
        for (int c = 0; c < 3; ++c)
            out[c] = in[c];
    };
    const CubeText plain33 = parseCubeText("LUT_3D_SIZE 33\n" + table3d(33, 0, 1, identity), "p.cube");
    BakePlan plan = planConversion(plain33, 0, "p.cube");
    EXPECT_FALSE(plan.baked);
    EXPECT_EQ(plan.size, 33);
    // Taken as is: the values are the file's, bit for bit.
    EXPECT_EQ(convertCube(plain33, plan).values, transposeTable(plain33).values);

    plan = planConversion(plain33, 48, "p.cube");
    EXPECT_TRUE(plan.baked);
    EXPECT_EQ(plan.note, "resampled from lattice 33 to 48 with tetrahedral interpolation");

    const CubeText small = parseCubeText("LUT_3D_SIZE 17\n" + table3d(17, 0, 1, identity), "s.cube");
    try {
        planConversion(small, 0, "s.cube");
        ADD_FAILURE() << "a lattice of 17 was accepted without --size";
    } catch (const LutError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "s.cube: its lattice of 17 points per axis is below the 18 the plug-in applies; "
                  "pass --size N (18 to 256) to resample it");
    }
    EXPECT_EQ(planConversion(small, 18, "s.cube").size, 18);
    EXPECT_THROW(planConversion(small, 17, "s.cube"), LutError);

    const CubeText domain = parseCubeText(
        "LUT_3D_SIZE 40\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 2 1\n" + table3d(40, 0, 1, identity), "d.cube");
    plan = planConversion(domain, 0, "d.cube");
    EXPECT_TRUE(plan.baked);
    EXPECT_EQ(plan.size, 40); // the file's size when above 33
    EXPECT_NE(plan.note.find("DOMAIN_MAX 1 2 1"), std::string::npos) << plan.note;
}
