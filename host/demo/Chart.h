// The demo's synthetic test chart: scene light encoded in a transfer curve.
//
// From the top: a continuous grey ramp of code values -0.1 to 1.1; seventeen
// exposure steps from below black to 8 stops over mid grey; a 6 x 4 patch chart
// of familiar colours and greys; eight skin tones; and a hue sweep over six
// stops of exposure, saturated a little past the spectrum locus so some components are
// negative. Code values below 0 and above 1 are there on purpose.
#pragma once

#include "TransferCurves.h"
#include "zelk/ImageIO.h"

namespace zelkdemo {

// Scene-linear RGB of the chart at (u, v) in [0, 1) (v from the top), with the
// code value of the ramp band already encoded (`isCode` set).
struct ChartSample {
    float rgb[3];
    bool isCode;
};
ChartSample chartSceneAt(double u, double v);

zelk::RgbaImage makeChart(zelk::lut::TransferCurve curve, int width, int height);

} // namespace zelkdemo
