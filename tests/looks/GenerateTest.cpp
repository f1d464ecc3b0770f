// The bundled look set: the build's bytes again from a fresh run, sane tone
// scales, and the transfer curves. (That the looks differ clearly, clip no
// channel and that Identity is one: LookQualityTest.cpp.)

#include "Generate.h"
#include "LooksTestUtil.h"
#include "TransferCurves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace zelk::lut;
using namespace looks_test;

namespace {

const TransferCurve kCurves[] = {TransferCurve::Tevo4, TransferCurve::Tevo3};

} // namespace

TEST(Generate, BundleHoldsEveryLookAsTheGeneratorMakesIt)
{
    const std::string resources = std::string(ZELK_TEST_BUNDLE) + "/Contents/Resources/";
    const std::uint64_t n = ZELK_TEST_LOOK_SIZE;
    TempDir dir("gen");
    const int files = 2 * static_cast<int>(lookRecipes().size());
    EXPECT_EQ(generateLookSet(dir.path().string(), int(n)), files);
    for (TransferCurve curve : kCurves)
        for (const LookRecipe& recipe : lookRecipes()) {
            const std::string rel =
                std::string(curveDirectory(curve)) + "/" + recipe.name + ".cube.bin";
            const std::string bytes = readFile(dir.file(rel));
            ASSERT_EQ(bytes.size(), 8 + 12 * n * n * n) << rel;
            EXPECT_TRUE(bytes == readFile(resources + rel)) << rel << ": differs from the bundle's";
        }
    // A rerun replaces a damaged file and leaves no temporary files behind.
    const std::string damaged = dir.file("looks_bin_tevo/Identity.cube.bin");
    const std::string good = readFile(damaged);
    writeFile(damaged, "junk");
    generateLookSet(dir.path().string(), int(n));
    EXPECT_TRUE(readFile(damaged) == good);
    int entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, files);
}

TEST(Generate, EveryLookIsADisplayToneScale)
{
    const int n = 17;
    int monochrome = 0;
    for (TransferCurve curve : kCurves)
        for (const LookRecipe& recipe : lookRecipes()) {
            const LatticeLut lut = bakeLook(recipe, curve, n);
            const std::string name = recipe.name;
            // Display code values, and a tone scale that never darkens as the input brightens.
            for (float v : lut.values)
                ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << name << " gives " << v;
            for (int k = 1; k < n; ++k)
                for (int c = 0; c < 3; ++c)
                    EXPECT_LE(lut.entry(k - 1, k - 1, k - 1)[c], lut.entry(k, k, k)[c])
                        << name << " grey ramp at " << k;
            // Mid grey of the curve stays in the middle of the display range.
            const float* grey = lut.entry(n / 2, n / 2, n / 2);
            EXPECT_TRUE(grey[1] > 0.25f && grey[1] < 0.75f) << name << " grey " << grey[1];
            // The monochrome look holds no colour anywhere.
            monochrome += name == "Clean Mono";
            for (std::size_t v = 0; name == "Clean Mono" && v < lut.values.size(); v += 3)
                ASSERT_TRUE(lut.values[v] == lut.values[v + 1] &&
                            lut.values[v] == lut.values[v + 2])
                    << name << " entry " << v / 3;
        }
    EXPECT_EQ(monochrome, 2) << "Clean Mono, once per curve";
}

TEST(Generate, CurvesAreTheDocumentedLogEncodings)
{
    // Mid grey 0.18 at code 0.5; code 0 and 1 at the light the formulas give.
    const struct {
        TransferCurve curve;
        double code0, code1;
    } curves[] = {{TransferCurve::Tevo3, -0.00095, 32.9}, {TransferCurve::Tevo4, -0.00024, 130.7}};
    for (const auto& c : curves) {
        EXPECT_NEAR(decodeCurve(c.curve, 0.5), 0.18, 1e-12) << curveName(c.curve);
        EXPECT_NEAR(decodeCurve(c.curve, 0.0), c.code0, 5e-6) << curveName(c.curve);
        EXPECT_NEAR(decodeCurve(c.curve, 1.0), c.code1, 0.05) << curveName(c.curve);
        for (double scene : {0.001, 0.05, 1.0, 10.0, 30.0})
            EXPECT_NEAR(decodeCurve(c.curve, encodeCurve(c.curve, scene)), scene, 1e-9 * scene);
    }
}
