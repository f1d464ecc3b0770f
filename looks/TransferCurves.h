#pragma once

// The two log encodings of scene light that the host's timeline may carry, and
// the display encoding every look ends in. Formulas in looks/README.md.

namespace zelk::lut {

enum class TransferCurve { Tevo4, Tevo3 };

// Both curves: code = 0.5 + log2((scene + offset) / (mid grey + offset)) / stops.
inline constexpr double kCurveMidGrey = 0.18;
struct LogCurve {
    double offset; // added to scene light before the logarithm: the toe
    double stops;  // stops of scene light across codes 0..1
};
LogCurve curveParameters(TransferCurve curve);

// Scene-linear value for a code value of the curve (codes 0..1 cover the
// curve's range; mid grey 0.18 sits at code 0.5).
double decodeCurve(TransferCurve curve, double code);
// The inverse; scene values at or below the curve's black offset give codes below 0.
double encodeCurve(TransferCurve curve, double scene);

// Display-linear 0..1 to a 2.4 gamma code value (clamped to 0..1 first), and back.
double encodeDisplay(double displayLinear);
double decodeDisplay(double code);

// "looks_bin_tevo4" for Tevo4, "looks_bin_tevo" for Tevo3: the bundle's
// directory of each curve, under Contents/Resources.
const char* curveDirectory(TransferCurve curve);
const char* curveName(TransferCurve curve); // "Tevo4/QXR4", "Tevo3/QXR3"

} // namespace zelk::lut
