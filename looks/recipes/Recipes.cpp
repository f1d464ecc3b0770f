// One function per look. Scene light comes in linear (mid grey 0.18); each
// recipe returns display light 0..1. Keep a recipe readable: it is the only
// description of the look.

#include "Recipes.h"

namespace zelk::lut {

namespace {

using namespace ops;

Rgb identityUnused(Rgb c)
{
    return c;
}

// A plain S-curve: more contrast, neutral colour.
Rgb neutralContrast(Rgb c)
{
    return filmCurve(c, FilmCurve{1.45, 0.18, 0.0, 1.0});
}

// A print film look: slight dye crosstalk, each dye layer with its own
// contrast (reds denser, blues softer), a little warmth in the highlights.
Rgb filmPrint(Rgb c)
{
    const Matrix dyes{{{0.90, 0.07, 0.03}, {0.04, 0.90, 0.06}, {0.02, 0.10, 0.88}}};
    c = crosstalk(gains(c, 1.03, 1.0, 0.96), dyes);
    c = filmCurve(c, FilmCurve{1.55, 0.17, 0.004, 0.98}, FilmCurve{1.50, 0.17, 0.004, 0.98},
                  FilmCurve{1.40, 0.17, 0.008, 0.97});
    return saturation(c, 1.08);
}

// Low contrast print with open shadows: gentle, forgiving of hard light.
Rgb softPrint(Rgb c)
{
    c = saturation(c, 0.92);
    c = filmCurve(c, FilmCurve{1.05, 0.19, 0.015, 0.96});
    return splitTone(c, {0.98, 1.0, 1.03}, {1.02, 1.0, 0.97}, 0.2, 1.0);
}

// An aged print: milky blacks, dull whites, muted colour, warm shadows.
Rgb fadedPrint(Rgb c)
{
    c = saturation(c, 0.72);
    c = filmCurve(c, FilmCurve{1.0, 0.20, 0.055, 0.86});
    return splitTone(c, {1.12, 1.0, 0.86}, {1.0, 1.0, 0.96}, 0.25, 1.0);
}

// Skipping the bleach leaves silver in the print: a monochrome layer over the
// colour, hard contrast, crushed saturation.
Rgb bleachBypass(Rgb c)
{
    c = mix(c, monochrome(c), 0.55);
    c = filmCurve(c, FilmCurve{1.75, 0.16, 0.0, 1.0});
    return saturation(c, 0.85);
}

// Day-for-night: a stop and a half under, blue moonlight, little colour.
Rgb coolNight(Rgb c)
{
    c = exposure(c, -1.5);
    c = gains(c, 0.78, 0.92, 1.25);
    c = saturation(c, 0.6);
    c = filmCurve(c, FilmCurve{1.35, 0.16, 0.0, 0.95});
    return splitTone(c, {0.85, 1.0, 1.2}, {0.95, 1.0, 1.05}, 0.15, 1.0);
}

// Late sun: warm white balance, a touch brighter, soft shoulder.
Rgb warmGolden(Rgb c)
{
    c = exposure(gains(c, 1.14, 1.0, 0.78), 0.2);
    c = saturation(c, 1.06);
    c = filmCurve(c, FilmCurve{1.25, 0.18, 0.003, 0.99});
    return splitTone(c, {1.02, 0.99, 0.94}, {1.05, 1.0, 0.88}, 0.25, 1.0);
}

// A clean black-and-white: luminance only, a crisp curve.
Rgb cleanMono(Rgb c)
{
    return filmCurve(monochrome(c), FilmCurve{1.35, 0.18, 0.0, 1.0});
}

// Classic split toning: cyan-blue shadows, amber highlights, colour kept.
Rgb splitToneLook(Rgb c)
{
    c = filmCurve(c, FilmCurve{1.3, 0.18, 0.003, 0.99});
    return splitTone(c, {0.82, 1.0, 1.18}, {1.12, 1.02, 0.84}, 0.2, 1.0);
}

// Complementary grading: crosstalk that pushes warm hues toward orange and
// cool hues toward teal, teal shadows, warm skin.
Rgb tealOrange(Rgb c)
{
    const Matrix push{{{1.08, -0.04, -0.04}, {-0.02, 1.02, 0.00}, {-0.06, 0.10, 0.96}}};
    c = saturation(crosstalk(c, push), 1.12);
    c = filmCurve(c, FilmCurve{1.35, 0.18, 0.002, 0.99});
    return splitTone(c, {0.84, 1.02, 1.1}, {1.08, 1.0, 0.9}, 0.18, 1.0);
}

// Rich colour and contrast for bright daylight scenes.
Rgb vividColor(Rgb c)
{
    c = saturation(c, 1.35);
    return filmCurve(c, FilmCurve{1.4, 0.18, 0.0, 1.0});
}

} // namespace

const std::vector<LookRecipe>& lookRecipes()
{
    static const std::vector<LookRecipe> recipes = {
        {"Bleach Bypass", "silver-retention look: desaturated, hard contrast", bleachBypass, false},
        {"Clean Mono", "neutral black-and-white with a crisp curve", cleanMono, false},
        {"Cool Night", "day-for-night: under-exposed, blue moonlight", coolNight, false},
        {"Faded Print", "aged print: lifted blacks, dull whites, warm shadows", fadedPrint, false},
        {"Film Print", "print film: dye crosstalk and per-layer contrast", filmPrint, false},
        {"Identity", "no change: every code value maps to itself", identityUnused, true},
        {"Neutral Contrast", "plain S-curve, colour untouched", neutralContrast, false},
        {"Soft Print", "low contrast with open shadows", softPrint, false},
        {"Split Tone", "cyan-blue shadows, amber highlights", splitToneLook, false},
        {"Teal Orange", "complementary crosstalk: teal shadows, warm skin", tealOrange, false},
        {"Vivid Color", "rich saturation and contrast", vividColor, false},
        {"Warm Golden", "late-sun warmth with a soft shoulder", warmGolden, false},
    };
    return recipes;
}

} // namespace zelk::lut
