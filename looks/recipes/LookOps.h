#pragma once

// The building blocks of the look recipes: plain operations on scene-linear
// light (exposure, white balance, crosstalk, saturation, hue shifts, toning),
// and the rendering from scene light to display light that ends every look.
//
// Nothing here clips a channel: saturation and the rendering compress colours
// smoothly towards the edge of what the display shows instead, so gradients
// stay gradients and skin keeps its hue as it darkens.

#include <algorithm>
#include <cmath>

namespace zelk::lut::ops {

struct Rgb {
    double r, g, b;
};

inline Rgb operator+(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator-(Rgb a, Rgb b)
{
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
inline Rgb operator*(Rgb a, double s)
{
    return {a.r * s, a.g * s, a.b * s};
}
inline Rgb operator*(Rgb a, Rgb b)
{
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb mix(Rgb a, Rgb b, double t)
{
    return a + (b - a) * t;
}
inline Rgb grey(double v)
{
    return {v, v, v};
}

// Rec. 709 weights: the looks' idea of brightness.
inline double luminance(Rgb c)
{
    return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

inline double smoothstep(double edge0, double edge1, double x)
{
    double t = (x - edge0) / (edge1 - edge0);
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return t * t * (3.0 - 2.0 * t);
}

inline Rgb exposure(Rgb c, double stops)
{
    return c * std::exp2(stops);
}

// White balance and tint as per-channel gains.
inline Rgb gains(Rgb c, double r, double g, double b)
{
    return {c.r * r, c.g * g, c.b * b};
}

// Colour crosstalk: each output channel a blend of the inputs. Rows that sum
// to 1 keep neutral greys neutral.
struct Matrix {
    double m[3][3];
};
inline Rgb crosstalk(Rgb c, const Matrix& x)
{
    return {x.m[0][0] * c.r + x.m[0][1] * c.g + x.m[0][2] * c.b,
            x.m[1][0] * c.r + x.m[1][1] * c.g + x.m[1][2] * c.b,
            x.m[2][0] * c.r + x.m[2][1] * c.g + x.m[2][2] * c.b};
}

// --- Keeping colours inside what a display shows ---

// x below `knee` passes; above it, x bends over smoothly (the curve and its
// first two derivatives are continuous) and never reaches `limit`.
inline double softLimit(double x, double knee, double limit)
{
    if (x <= knee)
        return x;
    const double room = limit - knee;
    return knee + room * std::tanh((x - knee) / room);
}

// How far a colour has gone from the grey of its luminance towards the edge
// of the gamut: 0 for a grey, 1 with a channel on the edge (0, or `ceiling`
// where the colour is display light), more beyond it. A smooth maximum over
// the channels, so the result has no crease where the nearest edge changes.
inline double gamutReach(Rgb c, double y, double ceiling)
{
    double sum = 0.0;
    for (double v : {c.r - y, c.g - y, c.b - y}) {
        const double reach = v < 0.0 ? -v / y : (ceiling > y ? v / (ceiling - y) : 0.0);
        const double r2 = reach * reach;
        sum += r2 * r2;
    }
    return std::pow(sum, 0.25);
}

inline constexpr double kGamutKnee = 0.7;   // colours less saturated than this pass untouched
inline constexpr double kGamutLimit = 0.97; // the nearest a channel comes to the edge

// Moves a colour towards the grey of its own luminance as far as needed to
// keep every channel inside 0..`ceiling`: gently for colours near the edge,
// more for those past it; nothing is clipped and the luminance is kept.
// Scene light has no ceiling (pass infinity).
inline Rgb compressGamut(Rgb c, double ceiling)
{
    const double y = luminance(c);
    if (!(y > 1e-12))
        return grey(0.0);
    const double reach = gamutReach(c, y, ceiling);
    if (reach <= kGamutKnee)
        return c;
    return grey(y) + (c - grey(y)) * (softLimit(reach, kGamutKnee, kGamutLimit) / reach);
}

// Saturation around the colour's luminance, `amount` 1 for none. More
// saturation compresses towards the gamut edge instead of crossing it.
inline Rgb saturation(Rgb c, double amount)
{
    const double y = luminance(c);
    return compressGamut(grey(y) + (c - grey(y)) * amount, INFINITY);
}

inline Rgb monochrome(Rgb c)
{
    return grey(luminance(c));
}

// --- Hue ---

// The hue of a colour in degrees around the neutral axis of RGB: red 0,
// yellow 60, green 120, cyan 180, blue 240, magenta 300.
inline double hueOf(Rgb c)
{
    const double x = c.r - 0.5 * (c.g + c.b);
    const double y = 0.8660254037844386 * (c.g - c.b);
    const double h = std::atan2(y, x) * 57.29577951308232;
    return h < 0.0 ? h + 360.0 : h;
}

// Rotates the colour's hue by `degrees` and scales its distance from the
// neutral axis by `chroma`, keeping its luminance.
inline Rgb turnHue(Rgb c, double degrees, double chroma)
{
    const double mean = (c.r + c.g + c.b) / 3.0;
    const Rgb v = c - grey(mean);
    const double a = degrees / 57.29577951308232;
    const double cs = std::cos(a) * chroma, sn = std::sin(a) * chroma;
    // Rotation about the (1, 1, 1) axis.
    const double k = (1.0 - cs) / 3.0, s = sn / 1.7320508075688772;
    const Rgb turned{(cs + k) * v.r + (k - s) * v.g + (k + s) * v.b,
                     (k + s) * v.r + (cs + k) * v.g + (k - s) * v.b,
                     (k - s) * v.r + (k + s) * v.g + (cs + k) * v.b};
    return turned + grey(luminance(c) - luminance(turned));
}

// 1 for colours within `width` degrees of `hue` that hold some colour, fading
// to 0 further round the circle and towards grey.
inline double hueMask(Rgb c, double hue, double width)
{
    const double y = luminance(c);
    if (!(y > 1e-12))
        return 0.0;
    const double colourfulness = smoothstep(0.03, 0.12, gamutReach(c, y, INFINITY));
    const double d = std::fabs(std::remainder(hueOf(c) - hue, 360.0));
    return colourfulness * (1.0 - smoothstep(width, 2.0 * width, d));
}

// Draws hues towards the axis through `hue` and its opposite, rotating by up
// to `degrees`, and scales colourfulness by 1 + `emphasis` along that axis
// and 1 - `emphasis` across it: the complementary pair of a two-colour look.
inline Rgb pullHues(Rgb c, double hue, double degrees, double emphasis)
{
    const double d = (hueOf(c) - hue) / 57.29577951308232;
    return turnHue(c, -degrees * std::sin(2.0 * d), 1.0 + emphasis * std::cos(2.0 * d));
}

// --- Toning ---

// Gains that fade from `shadow` (3 stops under mid grey and below) through
// their average at mid grey to `highlight` (3 stops over and above), scaled
// to keep a grey's luminance; `keep` (0..1) spares that share of the colour,
// e.g. a skin mask.
inline Rgb splitTone(Rgb c, Rgb shadow, Rgb highlight, double keep = 0.0)
{
    const double y = luminance(c);
    const double t = y > 0.0 ? smoothstep(-3.0, 3.0, std::log2(y / 0.18)) : 0.0;
    const Rgb tint = mix(shadow, highlight, t);
    return c * mix(tint * (1.0 / luminance(tint)), grey(1.0), keep);
}

// --- Scene light to display light ---

// A sigmoid in log exposure whose slope at mid grey is `contrast`. Scene 0.18
// lands on display `midGrey`; the toe starts at `black` and the shoulder rolls
// off toward `white`.
struct FilmCurve {
    double contrast = 1.2;
    double midGrey = 0.18;
    double black = 0.0;
    double white = 1.0;
};

inline double filmCurve(double scene, const FilmCurve& f)
{
    const double t = scene > 0.0 ? scene / 0.18 : 0.0;
    const double v = std::pow(t, f.contrast);
    // v / (v + a) gives f.midGrey at t = 1 on the 0..1 scale before black and white.
    const double g = (f.midGrey - f.black) / (f.white - f.black);
    const double a = 1.0 / g - 1.0;
    return f.black + (f.white - f.black) * (v / (v + a));
}

// The film curve on the colour's luminance, the channels in the ratios they
// had above the curve's black (so hue and saturation survive the contrast and
// a lifted black stays neutral), then gamut compression into the display:
// bright saturated colours fade towards white as they do on film, dark ones
// keep their colour down to black.
inline Rgb render(Rgb c, const FilmCurve& f)
{
    const double y = luminance(c);
    if (!(y > 1e-12))
        return grey(f.black);
    const double display = filmCurve(y, f);
    return compressGamut(grey(f.black) + c * ((display - f.black) / y), 1.0);
}

} // namespace zelk::lut::ops
