// Baking .cube domains, shapers and 1D tables onto the plug-in's 0..1 lattice,
// against direct evaluation of the function the source table samples.

#include "Bake.h"
#include "CubeText.h"
#include "LooksTestUtil.h"
#include "LutError.h"
#include "LutMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

using namespace zelk::lut;
using looks_test::CubeFn;
using looks_test::cubeRows;

namespace {

// Rows of a 1D table of `n` entries sampling `f` over [lo, hi], the same on every channel.
std::string table1d(int n, double lo, double hi, const std::function<double(double)>& f)
{
    std::string rows;
    char row[96];
    for (int i = 0; i < n; ++i) {
        const double v = f(lo + (hi - lo) * i / (n - 1));
        std::snprintf(row, sizeof row, "%.9g %.9g %.9g\n", v, v, v);
        rows += row;
    }
    return rows;
}

// Largest difference between the baked lattice and `f` at the lattice's points.
double worstError(const LatticeLut& lut, const CubeFn& f)
{
    double worst = 0.0;
    const double last = lut.size - 1;
    for (int r = 0; r < lut.size; ++r)
        for (int g = 0; g < lut.size; ++g)
            for (int b = 0; b < lut.size; ++b) {
                const double in[3] = {r / last, g / last, b / last};
                double want[3];
                f(in, want);
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::fabs(lut.entry(r, g, b)[c] - want[c]));
            }
    return worst;
}

BakePlan plan(const std::string& text, int size = 0)
{
    return planConversion(parseCubeText(text, "t.cube"), size, "t.cube");
}

// Affine in each channel with crosstalk: tetrahedral interpolation is exact
// for it, so only float rounding separates baked and direct values.
void affine(const double in[3], double out[3])
{
    out[0] = 0.7 * in[0] + 0.2 * in[1] + 0.1 * in[2] + 0.05;
    out[1] = -0.3 * in[0] + 1.1 * in[1] + 0.2 * in[2];
    out[2] = 0.1 * in[0] + 0.1 * in[1] + 0.5 * in[2] - 0.1;
}

// The figure at the end of a conversion report's last line.
double reportedDifference(const Conversion& c)
{
    const std::string& last = c.report.back();
    EXPECT_NE(last.find("largest difference from the source at 262144 points"), std::string::npos)
        << last;
    return std::stod(last.substr(last.rfind(' ') + 1));
}

} // namespace

TEST(Bake, DomainsShapersAndOneDTablesSampleTheSourcesFunction)
{
    const CubeFn square = [](const double in[3], double out[3]) {
        for (int c = 0; c < 3; ++c)
            out[c] = in[c] * in[c];
    };
    const auto shaper = [](double x) { return (x / 4) * (x / 4); };
    const CubeFn shaped = [&](const double in[3], double out[3]) {
        const double s[3] = {shaper(in[0]), shaper(in[1]), shaper(in[2])};
        affine(s, out);
    };
    const auto curve = [](double x) { return 0.1 + 0.8 * x; };
    const CubeFn perChannel = [&](const double in[3], double out[3]) {
        for (int c = 0; c < 3; ++c)
            out[c] = curve(in[c]);
    };
    const struct {
        const char* what;
        std::string text;
        int size, bakedSize; // asked for (0: the default) and made
        CubeFn direct;
        double tolerance;
    } cases[] = {
        // The source covers -0.5..2; the plug-in's lattice 0..1 samples the same
        // function, exactly but for float rounding as it is affine.
        {"domain",
         "LUT_3D_SIZE 9\nDOMAIN_MIN -0.5 -0.5 -0.5\nDOMAIN_MAX 2 2 2\n" +
             cubeRows(9, affine, -0.5, 2.0),
         33, 33, affine, 2e-6},
        // Tetrahedral interpolation errs by h^2/8 * max f'' on a lattice of step
        // h = 2/64 over 0..2: below 2.5e-4 for x^2.
        {"curved domain", "LUT_3D_SIZE 65\nDOMAIN_MAX 2 2 2\n" + cubeRows(65, square, 0.0, 2.0), 0,
         65, square, 2.5e-4},
        // A 1D shaper over 0..4 squaring into 0..1, then a 3D table over
        // -0.25..1.25. Linear interpolation of the shaper (1024 entries, step
        // h = 4/1023) errs by at most h^2/8 * 2/16.
        {"shaper",
         "LUT_1D_SIZE 1024\nLUT_3D_SIZE 17\nLUT_1D_INPUT_RANGE 0 4\nLUT_3D_INPUT_RANGE -0.25 "
         "1.25\n" +
             table1d(1024, 0.0, 4.0, shaper) + cubeRows(17, affine, -0.25, 1.25),
         33, 33, shaped, 1e-5},
        {"1D table only",
         "LUT_1D_SIZE 5\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n" + table1d(5, 0.0, 1.0, curve), 0,
         kDefaultResampleSize, perChannel, 1e-6},
    };
    for (const auto& c : cases) {
        const CubeText cube = parseCubeText(c.text, "t.cube");
        const LatticeLut lut = convertCube(cube, planConversion(cube, c.size, "t.cube"));
        EXPECT_EQ(lut.size, c.bakedSize) << c.what;
        EXPECT_LT(worstError(lut, c.direct), c.tolerance) << c.what;
    }
}

TEST(Bake, PlanBakesOnlyWhatNeedsIt)
{
    // Ranges of 0..1 change nothing; a 3D-only input range is not a shaper.
    const std::string rows = cubeRows(20, affine);
    EXPECT_EQ(plan("LUT_3D_SIZE 20\nLUT_3D_INPUT_RANGE 0 1\n" + rows).kind, ConversionKind::Copy);
    EXPECT_EQ(plan("LUT_3D_SIZE 20\nDOMAIN_MAX 1 1 1\n" + rows).kind, ConversionKind::Copy);
    EXPECT_EQ(plan("LUT_3D_SIZE 20\nLUT_3D_INPUT_RANGE -0.5 1\n" + rows)
                  .note.rfind("the 3D input range (LUT_3D_INPUT_RANGE -0.5 1.0) baked", 0),
              0u);
    // An asked-for size re-samples, even a small lattice that would be subdivided.
    EXPECT_EQ(plan("LUT_3D_SIZE 20\n" + rows, 48).kind, ConversionKind::Resample);
    EXPECT_EQ(plan(looks_test::permutationCube(9), 18).kind, ConversionKind::Resample);
    EXPECT_THROW(plan(looks_test::permutationCube(33), 17), LutError);
    // Re-sampling keeps a source lattice larger than the default.
    EXPECT_EQ(plan("LUT_3D_SIZE 80\nDOMAIN_MAX 1 2 1\n" + cubeRows(80, affine)).size, 80);
}

TEST(Bake, UnreachableInputsAreNamedPerChannel)
{
    const std::string rows = cubeRows(2, affine);
    auto unreachable = [&](const std::string& header) { return plan(header + rows).unreachable; };
    using Lines = std::vector<std::string>;
    const std::string tail = " (the plug-in's lattice spans 0 to 1)";
    EXPECT_EQ(unreachable("LUT_3D_SIZE 2\nDOMAIN_MIN -0.25 0 -0.25\nDOMAIN_MAX 1.5 16 1\n"),
              (Lines{"red and blue inputs below 0.0, down to -0.25, clamp to 0.0" + tail,
                     "red inputs above 1.0, up to 1.5, clamp to 1.0" + tail,
                     "green inputs above 1.0, up to 16.0, clamp to 1.0" + tail}));
    // Ranges inside 0..1 lose nothing (the source clamps to them itself), nor
    // does a 3D range behind a shaper.
    EXPECT_EQ(unreachable("LUT_3D_SIZE 2\nDOMAIN_MIN 0.1 0.1 0.1\nDOMAIN_MAX 0.5 1 1\n"), Lines{});
    EXPECT_EQ(unreachable("LUT_1D_SIZE 2\nLUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0 8\n0 0 0\n8 8 8\n"),
              Lines{});
}

TEST(Bake, SmallLatticesSubdivideToTheSameLook)
{
    // Random tables: any look, not one that linear interpolation flatters.
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    std::uniform_real_distribution<float> input(-0.1f, 1.1f);
    for (const auto& [from, to] : {std::pair{17, 33}, {9, 33}, {2, 33}, {10, 19}, {12, 23}}) {
        LatticeLut coarse = makeLattice(from);
        for (float& v : coarse.values)
            v = value(random);
        const BakePlan subdivide = planConversion(plainCube(coarse), 0, "s.cube");
        EXPECT_EQ(subdivide.kind, ConversionKind::Subdivide);
        const LatticeLut fine = convertCube(plainCube(coarse), subdivide);
        ASSERT_EQ(fine.size, to);
        double worst = 0.0;
        for (int i = 0; i < 20000; ++i) {
            // Every fourth colour on a coarse cell's face or diagonal, where
            // tetrahedra meet.
            float x[3] = {input(random), input(random), input(random)};
            if (i % 4 == 0)
                x[1] = x[0];
            if (i % 8 == 0)
                x[2] = std::round(x[2] * (from - 1)) / (from - 1);
            const ZelkRgb a = zelk_tetrahedral(coarse.values.data(), from, x[0], x[1], x[2]);
            const ZelkRgb b = zelk_tetrahedral(fine.values.data(), to, x[0], x[1], x[2]);
            worst = std::max({worst, double(std::fabs(a.r - b.r)), double(std::fabs(a.g - b.g)),
                              double(std::fabs(a.b - b.b))});
        }
        EXPECT_LT(worst, 1e-6) << from << " -> " << to;
    }
}

TEST(Bake, ReportedDifferenceShrinksWithTheLattice)
{
    // A steep shaper (a square root over 0..1) ahead of a plain 3D table:
    // baking it loses detail near black, which the report must show, and a
    // finer lattice must show less. An affine source bakes exactly.
    const auto root = [](double x) { return std::sqrt(x); };
    const auto same = [](const double in[3], double out[3]) { std::copy(in, in + 3, out); };
    const CubeText cube = parseCubeText("LUT_1D_SIZE 4096\nLUT_3D_SIZE 2\n" +
                                            table1d(4096, 0, 1, root) + cubeRows(2, same),
                                        "s.cube");
    auto reported = [&](int size) {
        return reportedDifference(convertWithReport(cube, size, "s.cube"));
    };
    // Between the first two lattice points the square root strays from its
    // chord by up to a quarter of sqrt(1/(N-1)).
    const double d33 = reported(33), d65 = reported(65), d129 = reported(129);
    EXPECT_GT(d33, 0.9 * 0.25 * std::sqrt(1.0 / 32)) << d33;
    EXPECT_LT(d33, 0.25 * std::sqrt(1.0 / 32) + 1e-3) << d33;
    EXPECT_LT(d65, d33 * 0.8);
    EXPECT_LT(d129, d65 * 0.8);

    const CubeText affineCube =
        parseCubeText("LUT_3D_SIZE 5\nDOMAIN_MAX 2 2 2\n" + cubeRows(5, affine, 0, 2), "a.cube");
    EXPECT_LT(reportedDifference(convertWithReport(affineCube, 0, "a.cube")), 1e-6);
}
