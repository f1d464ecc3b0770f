// The bundled looks judged as a colourist would, on the demo chart's colours,
// through the lattice the bundle ships and for both transfer curves: looks
// clearly distinct, no hard lines or clipped channels, skin that stays skin.

#include "Chart.h"
#include "CieLab.h"
#include "Generate.h"
#include "LutMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace lookquality;
using namespace zelk::lut;
using zelk::lut::ops::Rgb;

namespace {

// Looks closer than this in mean CIEDE2000 over the colour patches are one look twice.
constexpr double kDistinctLooks = 3.0;
// A step along a hue sweep more than this many times the sweep's median step
// is a hard line.
constexpr double kHardLine = 4.0;
// A sweep's path turning off its course by more than this share of its median
// step from one sample to the next is a crease (a clipped channel, a gamut
// mapping that switches abruptly). The bundled looks stay under 0.05.
constexpr double kCrease = 0.1;
// The hue sweep is sampled every degree, and every quarter degree for creases.
constexpr int kSweepSamples = 360;
constexpr int kFineSweepSamples = 1440;
// A channel counts as clipped where a 10-bit display shows it at 0 or at 1023.
constexpr double kTenBit = 1023.0;
// Skin may move this far in hue (degrees) under a look that does not tint it.
constexpr double kSkinHue = 5.0;

// A bundled look as the plug-in applies it: scene light encoded with the
// timeline's curve, looked up in the bundle's lattice with the plug-in's own
// tetrahedral interpolation, display code values out.
struct AppliedLook {
    const LookRecipe* recipe;
    TransferCurve curve;
    LatticeLut lut;

    std::string name() const { return std::string(recipe->name) + " (" + curveName(curve) + ")"; }
    // The code value the timeline carries (the host hands over 32-bit floats).
    Rgb sourceCode(const Rgb& scene) const
    {
        auto code = [this](double v) { return double(float(encodeCurve(curve, v))); };
        return {code(scene.r), code(scene.g), code(scene.b)};
    }
    Rgb displayCode(const Rgb& scene) const
    {
        const Rgb in = sourceCode(scene);
        const ZelkRgb out =
            zelk_tetrahedral(lut.values.data(), lut.size, float(in.r), float(in.g), float(in.b));
        return {out.r, out.g, out.b};
    }
    Lab lab(const Rgb& scene) const
    {
        const Rgb c = displayCode(scene);
        return labFromDisplayCode(c.r, c.g, c.b);
    }
    // The recipe itself, without the lattice in between.
    Lab exactLab(const Rgb& scene) const
    {
        const Rgb in = sourceCode(scene);
        if (recipe->identity)
            return labFromDisplayCode(in.r, in.g, in.b);
        const Rgb out = recipe->sceneToDisplay(
            {decodeCurve(curve, in.r), decodeCurve(curve, in.g), decodeCurve(curve, in.b)});
        return labFromDisplayCode(encodeDisplay(out.r), encodeDisplay(out.g), encodeDisplay(out.b));
    }
};

// Every bundled look for both curves, each curve's in the table's order.
std::vector<AppliedLook> everyLook()
{
    std::vector<AppliedLook> looks;
    for (TransferCurve curve : {TransferCurve::Tevo4, TransferCurve::Tevo3})
        for (const LookRecipe& recipe : lookRecipes())
            looks.push_back({&recipe, curve, bakeLook(recipe, curve, ZELK_TEST_LOOK_SIZE)});
    return looks;
}

std::vector<Rgb> sweep(int row, int samples)
{
    std::vector<Rgb> colours;
    for (int i = 0; i < samples; ++i)
        colours.push_back(zelkdemo::hueSweep(row, double(i) / samples));
    return colours;
}

// Every colour of the chart that lies inside the curve's range and is not a grey step.
std::vector<Rgb> inRangeColours()
{
    std::vector<Rgb> colours = zelkdemo::colourPatches();
    const auto& skin = zelkdemo::skinRamp();
    colours.insert(colours.end(), skin.begin(), skin.end());
    for (int row = 0; row < zelkdemo::kSweepRows; ++row) {
        const std::vector<Rgb> s = sweep(row, kSweepSamples);
        colours.insert(colours.end(), s.begin(), s.end());
    }
    return colours;
}

// CIEDE2000 between each sample and the next, round the circle.
std::vector<double> stepsAround(const std::vector<Lab>& labs)
{
    std::vector<double> steps;
    for (std::size_t i = 0; i < labs.size(); ++i)
        steps.push_back(ciede2000(labs[i], labs[(i + 1) % labs.size()]));
    return steps;
}

// How far the path turns off its course from one sample to the next, at its
// sharpest: the colour difference between the next sample and the one a
// straight continuation would reach. Returns the bend and where it is.
std::pair<double, std::size_t> sharpestBend(const std::vector<Lab>& labs)
{
    const std::size_t n = labs.size();
    double sharpest = 0.0;
    std::size_t at = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const Lab& before = labs[(i + n - 1) % n];
        const Lab& here = labs[i];
        const Lab straightOn{2 * here.L - before.L, 2 * here.a - before.a, 2 * here.b - before.b};
        const double bend = ciede2000(labs[(i + 1) % n], straightOn);
        if (bend > sharpest)
            sharpest = bend, at = i;
    }
    return {sharpest, at};
}

double median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace

TEST(LookQuality, EveryPairOfLooksDiffersClearly)
{
    const std::vector<AppliedLook> looks = everyLook();
    std::vector<std::vector<Lab>> patches;
    for (const AppliedLook& look : looks) {
        patches.emplace_back();
        for (const Rgb& c : zelkdemo::colourPatches())
            patches.back().push_back(look.lab(c));
    }
    for (std::size_t i = 0; i < looks.size(); ++i) {
        double nearest = 1e9;
        std::size_t nearestLook = 0;
        for (std::size_t j = 0; j < looks.size(); ++j) {
            if (j == i || looks[j].curve != looks[i].curve)
                continue;
            double sum = 0.0;
            for (std::size_t k = 0; k < patches[i].size(); ++k)
                sum += ciede2000(patches[i][k], patches[j][k]);
            const double mean = sum / double(patches[i].size());
            EXPECT_GE(mean, kDistinctLooks)
                << looks[i].name() << " and " << looks[j].recipe->name << " are nearly one look";
            if (mean < nearest)
                nearest = mean, nearestLook = j;
        }
        std::printf("%-16s %s: nearest look %s, mean CIEDE2000 %.2f\n", looks[i].recipe->name,
                    curveName(looks[i].curve), looks[nearestLook].recipe->name, nearest);
    }
}

TEST(LookQuality, HueSweepsRunWithoutHardLines)
{
    for (const AppliedLook& look : everyLook()) {
        double worstRatio = 0.0;
        for (int row = 0; row < zelkdemo::kSweepRows; ++row) {
            // What the plug-in shows, every degree: no jumps.
            std::vector<Lab> labs;
            for (const Rgb& c : sweep(row, kSweepSamples))
                labs.push_back(look.lab(c));
            const std::vector<double> steps = stepsAround(labs);
            const auto worst = std::max_element(steps.begin(), steps.end());
            worstRatio = std::max(worstRatio, *worst / median(steps));
            EXPECT_LE(*worst, kHardLine * median(steps))
                << look.name() << ": hard line in sweep row " << row << " at "
                << (worst - steps.begin()) << " degrees";

            // The recipe itself, finely sampled: no creases. The lattice bends
            // every path a little at each cell; a clipped channel bends it
            // sharply, and that stays sharp however fine the steps.
            labs.clear();
            for (const Rgb& c : sweep(row, kFineSweepSamples))
                labs.push_back(look.exactLab(c));
            const double typical = median(stepsAround(labs));
            const auto [sharpest, at] = sharpestBend(labs);
            EXPECT_LE(sharpest, kCrease * typical)
                << look.name() << ": crease in sweep row " << row << " at "
                << double(at) * 360.0 / kFineSweepSamples << " degrees";
        }
        std::printf("%-16s %s: largest sweep step %.2f times the median\n", look.recipe->name,
                    curveName(look.curve), worstRatio);
    }
}

TEST(LookQuality, InRangeColoursKeepEveryChannelOffTheClipAndIdentityGivesThemBack)
{
    const std::vector<Rgb> colours = inRangeColours();
    for (const AppliedLook& look : everyLook()) {
        int clipped = 0;
        std::string first;
        for (const Rgb& c : colours) {
            const Rgb in = look.sourceCode(c), out = look.displayCode(c);
            if (look.recipe->identity) {
                ASSERT_NEAR(out.r, in.r, 1e-6) << look.name();
                ASSERT_NEAR(out.g, in.g, 1e-6) << look.name();
                ASSERT_NEAR(out.b, in.b, 1e-6) << look.name();
                continue;
            }
            for (double v : {out.r, out.g, out.b}) {
                const double level = std::round(v * kTenBit);
                if ((level <= 0.0 || level >= kTenBit) && clipped++ == 0)
                    first = "scene " + std::to_string(c.r) + " " + std::to_string(c.g) + " " +
                            std::to_string(c.b) + " gives a channel at " + std::to_string(v);
            }
        }
        EXPECT_EQ(clipped, 0) << look.name() << " clips " << clipped
                              << " channels; first: " << first;
    }
}

TEST(LookQuality, SkinKeepsItsHueAndItsLightnessOrder)
{
    const auto& skin = zelkdemo::skinRamp();
    for (const AppliedLook& look : everyLook()) {
        if (look.recipe->identity)
            continue;
        const bool tints = look.recipe->has(kTintsSkin);
        double previousL = 101.0, lowest = 1e9, highest = -1e9, mostChroma = 0.0;
        for (std::size_t i = 0; i < skin.size(); ++i) {
            const Lab lab = look.lab(skin[i]);
            mostChroma = std::max(mostChroma, chroma(lab));
            EXPECT_LT(lab.L, previousL)
                << look.name() << ": skin tone " << i << " is no darker than the one before";
            previousL = lab.L;
            const double source = hueAngle(labFromLinear(skin[i].r, skin[i].g, skin[i].b));
            const double shift = hueDifference(source, hueAngle(lab));
            lowest = std::min(lowest, shift), highest = std::max(highest, shift);
            EXPECT_TRUE(tints || std::fabs(shift) <= kSkinHue)
                << look.name() << ": skin tone " << i << " turns " << shift << " degrees in hue";
        }
        if (mostChroma < 1.0)
            std::printf("%-16s %s: skin without colour\n", look.recipe->name,
                        curveName(look.curve));
        else
            std::printf("%-16s %s: skin hue shift %+.1f to %+.1f degrees%s\n", look.recipe->name,
                        curveName(look.curve), lowest, highest, tints ? " (tints on purpose)" : "");
    }
}
