#pragma once

// The building blocks of the look recipes: plain operations on scene-linear
// light (exposure, white balance, crosstalk, saturation), a film-style tone
// curve from scene light to display light, and display-side toning.

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

inline Rgb saturation(Rgb c, double amount)
{
    return mix(grey(luminance(c)), c, amount);
}

inline Rgb monochrome(Rgb c)
{
    return grey(luminance(c));
}

inline double smoothstep(double edge0, double edge1, double x)
{
    double t = (x - edge0) / (edge1 - edge0);
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    return t * t * (3.0 - 2.0 * t);
}

// Scene light to display light: a sigmoid in log exposure whose slope at mid
// grey is `contrast`. Scene 0.18 lands on display `midGrey`; the toe starts at
// `black` and the shoulder rolls off toward `white`.
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

inline Rgb filmCurve(Rgb c, const FilmCurve& f)
{
    return {filmCurve(c.r, f), filmCurve(c.g, f), filmCurve(c.b, f)};
}

// One curve per channel: the dye layers of a print do not share a gamma.
inline Rgb filmCurve(Rgb c, const FilmCurve& red, const FilmCurve& green, const FilmCurve& blue)
{
    return {filmCurve(c.r, red), filmCurve(c.g, green), filmCurve(c.b, blue)};
}

// Display-side toning: shadows multiplied towards one colour, highlights
// towards another, crossing over around `pivot` display luminance.
inline Rgb splitTone(Rgb c, Rgb shadowTint, Rgb highlightTint, double pivot, double amount)
{
    const double w = smoothstep(0.0, 2.0 * pivot, luminance(c));
    const Rgb tint = mix(shadowTint, highlightTint, w);
    return mix(c, c * tint, amount);
}

} // namespace zelk::lut::ops
