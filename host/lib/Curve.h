// The curves of parametric parameters: control points sorted by position, evaluated as a cubic
// through them.
#pragma once

#include <ofxCore.h>

#include <vector>

namespace ofxhost {

using Curve = std::vector<OfxPointD>; // x: position, y: value; sorted by x, no x twice

// The cubic Hermite curve through the points with Catmull-Rom slopes (the end segments' own
// slopes at the ends), continued straight along the end slopes beyond the first and last point.
// Straight runs stay exactly straight, so the identity curve gives back x itself. One point gives
// its value everywhere, none gives 0.
double evaluateCurve(const Curve& curve, double x);

// Adds a point, replacing the one at (nearly) the same position; returns its index.
int addCurvePoint(Curve& curve, OfxPointD point);

} // namespace ofxhost
