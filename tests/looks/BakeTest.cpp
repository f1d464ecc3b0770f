// Baking .cube domains, shapers and 1D tables onto the plug-in's 0..1 lattice,
// against direct evaluation of the function the source table samples.

#include "Bake.h"
#include "CubeText.h"
#include "LooksTestUtil.h"
#include "LutError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

using namespace zelk::lut;

namespace {

using Fn = looks_test::CubeFn;
using looks_test::cubeRows;

std::string number(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", v);
    return text;
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
                             cubeRows(9, affine, -0.5, 2.0);
    const LatticeLut lut = convert(text, 33);
    EXPECT_EQ(lut.size, 33);
    EXPECT_LT(worstError(lut, affine), 2e-6);

    // A curved function: tetrahedral interpolation error h^2/8 * max f'' on a
    // lattice of step h = 2/64 over 0..2 stays below 2.5e-4 for x^2.
    const Fn square = [](const double in[3], double out[3]) {
        for (int c = 0; c < 3; ++c)
            out[c] = in[c] * in[c];
    };
    const std::string curved =
        "LUT_3D_SIZE 65\nDOMAIN_MAX 2 2 2\n" + cubeRows(65, square, 0.0, 2.0);
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
                             table1d(1024, 0.0, 4.0, shaper) + cubeRows(17, affine, -0.25, 1.25);
    const Fn direct = [&](const double in[3], double out[3]) {
        const double s[3] = {shaper(in[0]), shaper(in[1]), shaper(in[2])};
        affine(s, out);
    };
    const LatticeLut lut = convert(text, 33);
    EXPECT_LT(worstError(lut, direct), 1e-5);
    EXPECT_THROW(planConversion(parseCubeText(text, "t.cube"), 0, "t.cube"),
                 LutError); // 17 without --size
}

TEST(Bake, OneDOnlyFileBecomesALattice)
{
    const auto curve = [](double x) { return 0.1 + 0.8 * x; };
    const std::string text =
        "LUT_1D_SIZE 5\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n" + table1d(5, 0.0, 1.0, curve);
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
    const CubeText plain33 = parseCubeText(looks_test::permutationCube(33), "p.cube");
    BakePlan plan = planConversion(plain33, 0, "p.cube");
    EXPECT_FALSE(plan.baked);
    EXPECT_EQ(plan.size, 33);

    plan = planConversion(plain33, 48, "p.cube");
    EXPECT_TRUE(plan.baked);
    EXPECT_EQ(plan.note, "resampled from lattice 33 to 48 with tetrahedral interpolation");

    // Below 18 only on request (the refusal's message: the command's tests).
    const CubeText small = parseCubeText(looks_test::permutationCube(17), "s.cube");
    EXPECT_THROW(planConversion(small, 0, "s.cube"), LutError);
    EXPECT_THROW(planConversion(small, 17, "s.cube"), LutError);
    EXPECT_EQ(planConversion(small, 18, "s.cube").size, 18);

    const CubeText domain = parseCubeText(
        "LUT_3D_SIZE 40\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 2 1\n" + cubeRows(40, affine), "d.cube");
    plan = planConversion(domain, 0, "d.cube");
    EXPECT_TRUE(plan.baked);
    EXPECT_EQ(plan.size, 40); // the file's size when above 33
    EXPECT_NE(plan.note.find("DOMAIN_MAX 1 2 1"), std::string::npos) << plan.note;
}
