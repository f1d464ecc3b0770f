#include "TransferCurves.h"

#include <cmath>

namespace zelk::lut {

namespace {

constexpr double kMidGrey = kCurveMidGrey;

} // namespace

// Tevo3 spans 15 stops (about -0.001 to 33), Tevo4 19 stops (about -0.0002 to 131).
LogCurve curveParameters(TransferCurve curve)
{
    return curve == TransferCurve::Tevo4 ? LogCurve{1.0 / 2048.0, 19.0}
                                         : LogCurve{1.0 / 512.0, 15.0};
}

double decodeCurve(TransferCurve curve, double code)
{
    const LogCurve c = curveParameters(curve);
    return (kMidGrey + c.offset) * std::exp2((code - 0.5) * c.stops) - c.offset;
}

double encodeCurve(TransferCurve curve, double scene)
{
    const LogCurve c = curveParameters(curve);
    const double shifted = scene + c.offset;
    // Keep the log finite at and below the black offset: such light is darker
    // than the curve can hold and lands far below code 0.
    const double floor = (kMidGrey + c.offset) * std::exp2(-2.0 * c.stops);
    return 0.5 + std::log2((shifted > floor ? shifted : floor) / (kMidGrey + c.offset)) / c.stops;
}

double encodeDisplay(double displayLinear)
{
    const double v = displayLinear > 0.0 ? (displayLinear < 1.0 ? displayLinear : 1.0) : 0.0;
    return std::pow(v, 1.0 / 2.4);
}

double decodeDisplay(double code)
{
    const double v = code > 0.0 ? (code < 1.0 ? code : 1.0) : 0.0;
    return std::pow(v, 2.4);
}

const char* curveDirectory(TransferCurve curve)
{
    return curve == TransferCurve::Tevo4 ? "looks_bin_tevo4" : "looks_bin_tevo";
}

const char* curveName(TransferCurve curve)
{
    return curve == TransferCurve::Tevo4 ? "Tevo4/QXR4" : "Tevo3/QXR3";
}

} // namespace zelk::lut
