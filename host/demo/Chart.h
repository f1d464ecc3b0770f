// The demo's synthetic test chart: scene light encoded in a transfer curve.
//
// From the top: a continuous grey ramp from black to 8 stops over mid grey;
// eighteen exposure steps, from below black through -7 to +8 stops around mid
// grey to beyond the brighter curve's range; a 6 x 4 patch chart of familiar
// colours and greys; a ramp of skin tones from light to dark; and a hue sweep
// at three exposures. Only the exposure steps hold codes outside 0..1 (so a
// render shows the plug-in's clamp); every colour lies inside the curve's range.
#pragma once

#include "TransferCurves.h"
#include "recipes/LookOps.h"
#include "zelk/ImageIO.h"

#include <vector>

namespace zelkdemo {

using SceneRgb = zelk::lut::ops::Rgb;

// The chart's colours in scene-linear light (mid grey 0.18). The image draws
// these, and the look-quality tests judge the looks on the same values.
const std::vector<SceneRgb>& colourPatches(); // 24, row by row, the greys last
const std::vector<SceneRgb>& skinRamp();      // lightest first

inline constexpr int kSweepRows = 3;
// One hue circle per row, brightest row first; `hue` 0..1 runs red, yellow,
// green, cyan, blue, magenta and back to red.
SceneRgb hueSweep(int row, double hue);

// Where the skin ramp starts and the hue sweep ends, as fractions of the
// chart's height from the top: the demo's close-up of both.
struct ChartBand {
    double top, bottom;
};
ChartBand skinAndSweepBand();

zelk::RgbaImage makeChart(zelk::lut::TransferCurve curve, int width, int height);

} // namespace zelkdemo
