// The bundled look set: the build's bytes again from a fresh run, sane tone
// scales, and the transfer curves.

#include "Generate.h"
#include "LooksTestUtil.h"
#include "TransferCurves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace zelk::lut;
using namespace looks_test;

namespace {

const TransferCurve kCurves[] = {TransferCurve::Tevo4, TransferCurve::Tevo3};

} // namespace

TEST(Generate, BundleHoldsEveryLookAsTheGeneratorMakesIt)
{
    // The build generated the bundle's looks; a fresh run must give the same bytes.
    const std::string resources = std::string(ZELK_TEST_BUNDLE) + "/Contents/Resources/";
    const std::uint64_t n = ZELK_TEST_LOOK_SIZE;
    TempDir first("gen");
    const int files = 2 * static_cast<int>(lookRecipes().size());
    EXPECT_EQ(generateLookSet(first.path().string(), int(n)), files);
    for (TransferCurve curve : kCurves)
        for (const LookRecipe& recipe : lookRecipes()) {
            const std::string rel =
                std::string(curveDirectory(curve)) + "/" + recipe.name + ".cube.bin";
            const std::string bytes = readFile(first.file(rel));
            ASSERT_EQ(bytes.size(), 8 + 12 * n * n * n) << rel;
            EXPECT_TRUE(bytes == readFile(resources + rel)) << rel << ": differs from the bundle's";
        }
    // A rerun replaces a damaged file and leaves no temporary files behind.
    const std::string damaged = first.file("looks_bin_tevo/Identity.cube.bin");
    const std::string good = readFile(damaged);
    writeFile(damaged, "junk");
    generateLookSet(first.path().string(), int(n));
    EXPECT_TRUE(readFile(damaged) == good);
    int entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(first.path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, files);
}

// (That the looks differ clearly from each other and from the identity: the
// look-quality tests, in CIEDE2000 over the chart.)
TEST(Generate, EveryLookIsADisplayToneScale)
{
    const int n = 17;
    int monochrome = 0;
    for (TransferCurve curve : kCurves)
        for (const LookRecipe& recipe : lookRecipes()) {
            const LatticeLut lut = bakeLook(recipe, curve, n);
            const std::string name = recipe.name;
            if (recipe.identity) {
                EXPECT_EQ(lut.values, identityLattice(n).values) << curveName(curve);
                continue;
            }
            // Display code values, and a tone scale that never darkens as the input brightens.
            for (float v : lut.values)
                ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << name << " gives " << v;
            for (int k = 1; k < n; ++k)
                for (int c = 0; c < 3; ++c)
                    EXPECT_LE(lut.entry(k - 1, k - 1, k - 1)[c], lut.entry(k, k, k)[c])
                        << name << " grey ramp at " << k;
            // Mid grey of the curve stays in the middle of the display range.
            const float* grey = lut.entry(n / 2, n / 2, n / 2);
            EXPECT_GT(grey[1], 0.25f) << name;
            EXPECT_LT(grey[1], 0.75f) << name;
            // The monochrome look holds no colour anywhere.
            if (name != "Clean Mono")
                continue;
            ++monochrome;
            for (std::size_t v = 0; v < lut.values.size(); v += 3)
                ASSERT_TRUE(lut.values[v] == lut.values[v + 1] &&
                            lut.values[v] == lut.values[v + 2])
                    << name << " entry " << v / 3;
        }
    EXPECT_EQ(monochrome, 2) << "Clean Mono, once per curve";
}

TEST(Generate, CurvesDecodeWhatTheyEncode)
{
    for (TransferCurve curve : kCurves) {
        EXPECT_NEAR(decodeCurve(curve, 0.5), 0.18, 1e-12) << curveName(curve);
        for (double scene : {0.001, 0.05, 0.18, 1.0, 10.0, 30.0})
            EXPECT_NEAR(decodeCurve(curve, encodeCurve(curve, scene)), scene, 1e-9 * scene);
    }
    // Tevo4 holds highlights that Tevo3 clips.
    EXPECT_GT(decodeCurve(TransferCurve::Tevo4, 1.0), 2 * decodeCurve(TransferCurve::Tevo3, 1.0));
    EXPECT_LT(encodeCurve(TransferCurve::Tevo4, 100.0), 1.0);
    EXPECT_GT(encodeCurve(TransferCurve::Tevo3, 100.0), 1.0);
}
