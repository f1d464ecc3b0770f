// The bundled look set: deterministic bytes, distinct and sane looks, and the
// build step that puts them into the bundle.

#include "CubeBin.h"
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

double largestDifference(const LatticeLut& a, const LatticeLut& b)
{
    double worst = 0.0;
    for (std::size_t i = 0; i < a.values.size(); ++i)
        worst = std::max(worst, double(std::fabs(a.values[i] - b.values[i])));
    return worst;
}

const TransferCurve kCurves[] = {TransferCurve::Tevo4, TransferCurve::Tevo3};

} // namespace

TEST(Generate, SameSourceSameBytes)
{
    TempDir first("gen-a"), second("gen-b");
    const int files = 2 * static_cast<int>(lookRecipes().size());
    EXPECT_EQ(generateLookSet(first.path().string(), 18), files);
    EXPECT_EQ(generateLookSet(second.path().string(), 18), files);
    for (TransferCurve curve : kCurves)
        for (const LookRecipe& recipe : lookRecipes()) {
            const std::string rel = std::string(curveDirectory(curve)) + "/" + recipe.name + ".cube.bin";
            const std::string bytes = readFile(first.file(rel));
            ASSERT_EQ(bytes.size(), 8u + 12u * 18 * 18 * 18) << rel;
            EXPECT_TRUE(bytes == readFile(second.file(rel))) << rel << ": bytes differ";
        }
    // A rerun replaces a damaged file and leaves no temporary files behind.
    const std::string damaged = first.file("looks_bin_tevo/Identity.cube.bin");
    const std::string good = readFile(damaged);
    writeFile(damaged, "junk");
    generateLookSet(first.path().string(), 18);
    EXPECT_TRUE(readFile(damaged) == good);
    int entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(first.path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, files);
}

TEST(Generate, LooksAreDistinctAndSane)
{
    const auto& recipes = lookRecipes();
    ASSERT_GE(recipes.size(), 11u); // ten looks and the identity
    for (std::size_t i = 1; i < recipes.size(); ++i)
        EXPECT_LT(std::string(recipes[i - 1].name), std::string(recipes[i].name)) << "names in order";

    const int n = 17;
    const LatticeLut identity = identityLattice(n);
    for (TransferCurve curve : kCurves) {
        std::vector<LatticeLut> luts;
        for (const LookRecipe& recipe : recipes)
            luts.push_back(bakeLook(recipe, curve, n));
        for (std::size_t i = 0; i < recipes.size(); ++i) {
            const LatticeLut& lut = luts[i];
            const std::string name = recipes[i].name;
            if (recipes[i].identity) {
                EXPECT_EQ(lut.values, identity.values) << curveName(curve);
                continue;
            }
            EXPECT_GT(largestDifference(lut, identity), 0.05) << name << " looks like the identity";
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_GT(largestDifference(lut, luts[j]), 0.02)
                    << name << " and " << recipes[j].name << " are nearly the same";
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
        }
    }
    // The monochrome look holds no colour anywhere.
    const auto mono = std::find_if(recipes.begin(), recipes.end(),
                                   [](const LookRecipe& r) { return std::string(r.name) == "Clean Mono"; });
    ASSERT_NE(mono, recipes.end());
    const LatticeLut m = bakeLook(*mono, TransferCurve::Tevo3, n);
    for (std::size_t i = 0; i < m.values.size(); i += 3) {
        EXPECT_EQ(m.values[i], m.values[i + 1]);
        EXPECT_EQ(m.values[i], m.values[i + 2]);
    }
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

TEST(Generate, BuildPutsEveryLookIntoTheBundle)
{
    const std::string resources = std::string(ZELK_TEST_BUNDLE) + "/Contents/Resources";
    for (TransferCurve curve : kCurves)
        for (const LookRecipe& recipe : lookRecipes()) {
            const std::string path =
                resources + "/" + curveDirectory(curve) + "/" + recipe.name + ".cube.bin";
            const CubeBinReport report = inspectCubeBin(readFile(path));
            EXPECT_TRUE(report.applied) << path << ": " << report.reason;
            EXPECT_TRUE(report.exactCube) << path;
        }
}
