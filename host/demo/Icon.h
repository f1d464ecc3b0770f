// The plug-in's icon, made from our own renders: a colour wheel rendered
// through a few looks, laid out as small wheels on a transparent square.
#pragma once

#include "TransferCurves.h"
#include "zelk/ImageIO.h"

#include <vector>

namespace zelkdemo {

// A colour wheel encoded in `curve`, `size` pixels square: hue around the
// centre, from grey in the middle to strong colour at the rim, one stop over
// mid grey. Opaque inside the wheel and transparent outside, where the rim's
// colour carries on, so that shrinking the image leaves no dark fringe.
zelk::RgbaImage makeColourWheel(zelk::lut::TransferCurve curve, int size);

// `tiles` shrunk into a grid, row by row, centred on a transparent `size`
// square: as many columns as rows, or one more. Throws std::invalid_argument
// when there are no tiles or they would be smaller than a pixel.
zelk::RgbaImage makeIcon(const std::vector<zelk::RgbaImage>& tiles, int size);

} // namespace zelkdemo
