#include "CieLab.h"

#include "TransferCurves.h"

#include <cmath>

namespace lookquality {

namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees)
{
    return degrees * kPi / 180.0;
}

double degrees(double radians)
{
    return radians * 180.0 / kPi;
}

// The Lab companding function: a cube root, linear near black.
double labF(double t)
{
    constexpr double d = 6.0 / 29.0;
    return t > d * d * d ? std::cbrt(t) : t / (3.0 * d * d) + 4.0 / 29.0;
}

// Hue in degrees, 0 to 360, and 0 where there is no hue at all.
double angle(double b, double a)
{
    if (a == 0.0 && b == 0.0)
        return 0.0;
    const double h = degrees(std::atan2(b, a));
    return h < 0.0 ? h + 360.0 : h;
}

double pow7(double x)
{
    const double x2 = x * x;
    return x2 * x2 * x2 * x;
}

} // namespace

Lab labFromLinear(double r, double g, double b)
{
    // Rec. 709 primaries to XYZ; the white point is the sum of each row, so
    // R = G = B has no hue at all.
    const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
    const double xn = 0.4124564 + 0.3575761 + 0.1804375;
    const double yn = 0.2126729 + 0.7151522 + 0.0721750;
    const double zn = 0.0193339 + 0.1191920 + 0.9503041;
    const double fx = labF(x / xn), fy = labF(y / yn), fz = labF(z / zn);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

Lab labFromDisplayCode(double r, double g, double b)
{
    using zelk::lut::decodeDisplay;
    return labFromLinear(decodeDisplay(r), decodeDisplay(g), decodeDisplay(b));
}

double ciede2000(const Lab& x, const Lab& y)
{
    // Chroma-dependent stretch of a* that makes near-neutrals' hues behave.
    const double meanC = 0.5 * (std::hypot(x.a, x.b) + std::hypot(y.a, y.b));
    const double g = 0.5 * (1.0 - std::sqrt(pow7(meanC) / (pow7(meanC) + pow7(25.0))));
    const double a1 = (1.0 + g) * x.a, a2 = (1.0 + g) * y.a;
    const double c1 = std::hypot(a1, x.b), c2 = std::hypot(a2, y.b);
    const double h1 = angle(x.b, a1), h2 = angle(y.b, a2);

    const double dL = y.L - x.L;
    const double dC = c2 - c1;
    double dh = 0.0;
    if (c1 * c2 != 0.0) {
        dh = h2 - h1;
        if (dh > 180.0)
            dh -= 360.0;
        else if (dh < -180.0)
            dh += 360.0;
    }
    const double dH = 2.0 * std::sqrt(c1 * c2) * std::sin(radians(dh / 2.0));

    const double meanL = 0.5 * (x.L + y.L);
    const double meanCp = 0.5 * (c1 + c2);
    double meanH = h1 + h2;
    if (c1 * c2 != 0.0) {
        if (std::fabs(h1 - h2) <= 180.0)
            meanH = 0.5 * (h1 + h2);
        else
            meanH = 0.5 * (h1 + h2 + (h1 + h2 < 360.0 ? 360.0 : -360.0));
    }
    const double t =
        1.0 - 0.17 * std::cos(radians(meanH - 30.0)) + 0.24 * std::cos(radians(2.0 * meanH)) +
        0.32 * std::cos(radians(3.0 * meanH + 6.0)) - 0.20 * std::cos(radians(4.0 * meanH - 63.0));
    const double l50 = (meanL - 50.0) * (meanL - 50.0);
    const double sL = 1.0 + 0.015 * l50 / std::sqrt(20.0 + l50);
    const double sC = 1.0 + 0.045 * meanCp;
    const double sH = 1.0 + 0.015 * meanCp * t;
    // The blue region's rotation term couples chroma and hue differences.
    const double dTheta = 30.0 * std::exp(-std::pow((meanH - 275.0) / 25.0, 2.0));
    const double rC = 2.0 * std::sqrt(pow7(meanCp) / (pow7(meanCp) + pow7(25.0)));
    const double rT = -std::sin(radians(2.0 * dTheta)) * rC;

    const double l = dL / sL, c = dC / sC, h = dH / sH;
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

double hueAngle(const Lab& c)
{
    return angle(c.b, c.a);
}

double hueDifference(double from, double to)
{
    double d = std::fmod(to - from, 360.0);
    if (d > 180.0)
        d -= 360.0;
    else if (d < -180.0)
        d += 360.0;
    return d;
}

double chroma(const Lab& c)
{
    return std::hypot(c.a, c.b);
}

} // namespace lookquality
