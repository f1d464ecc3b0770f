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

// A mid skin tone in scene light: the hue the skin-aware looks protect.
const Rgb kSkinTone{0.45, 0.27, 0.19};

// A plain S-curve: more contrast, colour as it was shot.
Rgb neutralContrast(Rgb c)
{
    return render(c, FilmCurve{1.5, 0.18, 0.0, 1.0});
}

// A print film look: dye crosstalk that deepens reds and turns blues towards
// cyan, a dense, contrasty print curve with a soft toe and an off-white top,
// cool shadows and warm highlights.
Rgb filmPrint(Rgb c)
{
    const Matrix dyes{{{1.08, -0.05, -0.03}, {-0.03, 1.06, -0.03}, {-0.02, 0.07, 0.95}}};
    c = saturation(crosstalk(c, dyes), 1.08);
    c = splitTone(c, {0.94, 1.0, 1.06}, {1.08, 1.0, 0.88});
    return render(c, FilmCurve{1.75, 0.14, 0.008, 0.95});
}

// Low contrast print with open shadows: gentle, forgiving of hard light.
Rgb softPrint(Rgb c)
{
    c = saturation(c, 0.9);
    c = splitTone(c, {0.98, 1.0, 1.03}, {1.03, 1.0, 0.97});
    return render(c, FilmCurve{1.0, 0.19, 0.02, 0.95});
}

// An aged print: milky blacks, dull whites, muted colour, warm shadows.
Rgb fadedPrint(Rgb c)
{
    c = saturation(c, 0.65);
    c = splitTone(c, {1.12, 1.0, 0.86}, {1.0, 1.0, 0.97});
    return render(c, FilmCurve{0.95, 0.21, 0.07, 0.86});
}

// Skipping the bleach leaves silver in the print: most of the colour gone,
// hard contrast, dense blacks.
Rgb bleachBypass(Rgb c)
{
    c = saturation(c, 0.4);
    return render(c, FilmCurve{1.85, 0.15, 0.0, 1.0});
}

// Day-for-night: a stop and a half under, blue moonlight, little colour.
Rgb coolNight(Rgb c)
{
    c = exposure(c, -1.5);
    c = gains(c, 0.78, 0.92, 1.25);
    c = saturation(c, 0.55);
    c = splitTone(c, {0.8, 1.0, 1.3}, {0.95, 1.0, 1.05});
    return render(c, FilmCurve{1.3, 0.16, 0.0, 0.95});
}

// Late sun: warm white balance, a touch brighter, soft shoulder.
Rgb warmGolden(Rgb c)
{
    c = exposure(gains(c, 1.14, 1.0, 0.78), 0.2);
    c = saturation(c, 1.05);
    c = splitTone(c, {1.02, 0.99, 0.94}, {1.06, 1.0, 0.86});
    return render(c, FilmCurve{1.25, 0.18, 0.003, 0.99});
}

// A clean black-and-white: luminance only, a crisp curve.
Rgb cleanMono(Rgb c)
{
    return render(monochrome(c), FilmCurve{1.4, 0.18, 0.0, 1.0});
}

// Classic split toning: cyan-blue shadows, amber highlights, colour kept.
Rgb splitToneLook(Rgb c)
{
    c = splitTone(c, {0.7, 0.95, 1.35}, {1.28, 1.03, 0.7});
    return render(c, FilmCurve{1.3, 0.18, 0.003, 0.99});
}

// Complementary grading: hues drawn towards orange and teal, teal shadows and
// warm highlights everywhere but on skin, which stays warm and natural.
Rgb tealOrange(Rgb c)
{
    const double skin = hueOf(kSkinTone);
    const double keepSkin = hueMask(c, skin, 25.0);
    c = pullHues(c, skin, 14.0, 0.2);
    c = saturation(c, 1.1);
    c = splitTone(c, {0.58, 0.93, 1.1}, {1.3, 0.98, 0.76}, keepSkin);
    return render(c, FilmCurve{1.4, 0.18, 0.002, 0.99});
}

// Rich colour and contrast for bright daylight scenes: saturation that bends
// towards the gamut edge rather than running a channel into it.
Rgb vividColor(Rgb c)
{
    c = saturation(c, 1.5);
    return render(c, FilmCurve{1.6, 0.2, 0.0, 1.0});
}

} // namespace

const std::vector<LookRecipe>& lookRecipes()
{
    static const std::vector<LookRecipe> recipes = {
        {"Bleach Bypass",
         "silver-retention print: little colour, hard contrast; gritty, grim scenes", bleachBypass,
         false, 0},
        {"Clean Mono", "black-and-white with a crisp curve", cleanMono, false, kTintsSkin},
        {"Cool Night", "day-for-night: a stop and a half under, blue moonlight", coolNight, false,
         kTintsSkin},
        {"Faded Print",
         "aged print: milky blacks, dull whites, warm shadows; flashbacks, nostalgia", fadedPrint,
         false, 0},
        {"Film Print", "print film: dense contrast, rich reds, cool shadows, warm highlights",
         filmPrint, false, 0},
        {"Identity", "no change: every code value maps to itself", identityUnused, true, 0},
        {"Neutral Contrast", "plain S-curve, colour as shot: a neutral starting point",
         neutralContrast, false, 0},
        {"Soft Print", "low contrast, open shadows: forgiving of hard light on faces", softPrint,
         false, 0},
        {"Split Tone", "cyan-blue shadows, amber highlights: stylised drama", splitToneLook, false,
         kTintsSkin},
        {"Teal Orange", "hues drawn to teal and orange, teal shadows, skin kept warm", tealOrange,
         false, 0},
        {"Vivid Color", "rich colour that stays inside the gamut, more contrast; bright daylight",
         vividColor, false, 0},
        {"Warm Golden", "late-sun warmth with a soft shoulder: golden-hour moods", warmGolden,
         false, kTintsSkin},
    };
    return recipes;
}

} // namespace zelk::lut
