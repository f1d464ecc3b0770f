#pragma once

// The colour maths of the look-quality checks: display code values to CIE
// L*a*b* (Rec. 709 primaries, D65 white, the looks' 2.4 gamma display) and the
// CIEDE2000 colour difference (kL = kC = kH = 1).

#include "TransferCurves.h"

#include <cmath>

namespace lookquality {

struct Lab {
    double L, a, b;
};

namespace detail {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

// The Lab companding function: a cube root, linear near black.
inline double labF(double t)
{
    constexpr double d = 6.0 / 29.0;
    return t > d * d * d ? std::cbrt(t) : t / (3.0 * d * d) + 4.0 / 29.0;
}

inline double pow7(double x)
{
    const double x2 = x * x;
    return x2 * x2 * x2 * x;
}

} // namespace detail

// Hue in degrees, 0 to 360, and 0 where there is no hue at all.
inline double hueAngle(double a, double b)
{
    if (a == 0.0 && b == 0.0)
        return 0.0;
    const double h = std::atan2(b, a) / detail::kDegree;
    return h < 0.0 ? h + 360.0 : h;
}

inline double hueAngle(const Lab& c)
{
    return hueAngle(c.a, c.b);
}

// Signed difference `to` - `from` in degrees, -180 to 180.
inline double hueDifference(double from, double to)
{
    const double d = std::fmod(to - from, 360.0);
    return d > 180.0 ? d - 360.0 : d < -180.0 ? d + 360.0 : d;
}

inline double chroma(const Lab& c)
{
    return std::hypot(c.a, c.b);
}

// Display-linear Rec. 709 RGB (white 1, 1, 1) to Lab relative to that white.
inline Lab labFromLinear(double r, double g, double b)
{
    // Rec. 709 primaries to XYZ; the white point is the sum of each row, so
    // R = G = B has no hue at all.
    const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
    const double fx = detail::labF(x / (0.4124564 + 0.3575761 + 0.1804375));
    const double fy = detail::labF(y / (0.2126729 + 0.7151522 + 0.0721750));
    const double fz = detail::labF(z / (0.0193339 + 0.1191920 + 0.9503041));
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

// A display code value (2.4 gamma, 0..1) to Lab.
inline Lab labFromDisplayCode(double r, double g, double b)
{
    using zelk::lut::decodeDisplay;
    return labFromLinear(decodeDisplay(r), decodeDisplay(g), decodeDisplay(b));
}

inline double ciede2000(const Lab& x, const Lab& y)
{
    using detail::kDegree, detail::pow7;
    // Chroma-dependent stretch of a* that makes near-neutrals' hues behave.
    const double meanC = 0.5 * (std::hypot(x.a, x.b) + std::hypot(y.a, y.b));
    const double g = 0.5 * (1.0 - std::sqrt(pow7(meanC) / (pow7(meanC) + pow7(25.0))));
    const double a1 = (1.0 + g) * x.a, a2 = (1.0 + g) * y.a;
    const double c1 = std::hypot(a1, x.b), c2 = std::hypot(a2, y.b);
    const double h1 = hueAngle(a1, x.b), h2 = hueAngle(a2, y.b);
    const bool hued = c1 * c2 != 0.0;

    const double dL = y.L - x.L;
    const double dC = c2 - c1;
    const double dh = hued ? hueDifference(h1, h2) : 0.0;
    const double dH = 2.0 * std::sqrt(c1 * c2) * std::sin(dh / 2.0 * kDegree);

    const double meanL = 0.5 * (x.L + y.L);
    const double meanCp = 0.5 * (c1 + c2);
    double meanH = h1 + h2;
    if (hued)
        meanH = std::fabs(h1 - h2) <= 180.0 ? 0.5 * (h1 + h2)
                                            : 0.5 * (h1 + h2 + (h1 + h2 < 360.0 ? 360.0 : -360.0));
    const double t = 1.0 - 0.17 * std::cos((meanH - 30.0) * kDegree) +
                     0.24 * std::cos(2.0 * meanH * kDegree) +
                     0.32 * std::cos((3.0 * meanH + 6.0) * kDegree) -
                     0.20 * std::cos((4.0 * meanH - 63.0) * kDegree);
    const double l50 = (meanL - 50.0) * (meanL - 50.0);
    const double sL = 1.0 + 0.015 * l50 / std::sqrt(20.0 + l50);
    const double sC = 1.0 + 0.045 * meanCp;
    const double sH = 1.0 + 0.015 * meanCp * t;
    // The blue region's rotation term couples chroma and hue differences.
    const double dTheta = 30.0 * std::exp(-std::pow((meanH - 275.0) / 25.0, 2.0));
    const double rC = 2.0 * std::sqrt(pow7(meanCp) / (pow7(meanCp) + pow7(25.0)));
    const double rT = -std::sin(2.0 * dTheta * kDegree) * rC;

    const double l = dL / sL, c = dC / sC, h = dH / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

} // namespace lookquality
