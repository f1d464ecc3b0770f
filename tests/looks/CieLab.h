#pragma once

// The colour maths of the look-quality checks: display code values to CIE
// L*a*b* (Rec. 709 primaries, D65 white, the looks' 2.4 gamma display) and the
// CIEDE2000 colour difference between two Lab colours.

namespace lookquality {

struct Lab {
    double L, a, b;
};

// Display-linear Rec. 709 RGB (white 1, 1, 1) to Lab relative to that white.
Lab labFromLinear(double r, double g, double b);

// A display code value (2.4 gamma, 0..1) to Lab.
Lab labFromDisplayCode(double r, double g, double b);

// CIEDE2000 with the parametric factors kL = kC = kH = 1.
double ciede2000(const Lab& x, const Lab& y);

// Hue angle h_ab in degrees, 0 to 360; 0 for a neutral.
double hueAngle(const Lab& c);

// Signed difference `to` - `from` in degrees, -180 to 180.
double hueDifference(double from, double to);

double chroma(const Lab& c);

} // namespace lookquality
