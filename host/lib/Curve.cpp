// Evaluating and editing parametric curves.
#include "Curve.h"

#include <algorithm>
#include <cmath>

namespace ofxhost {
namespace {

double secant(const Curve& c, size_t i)
{
    return (c[i + 1].y - c[i].y) / (c[i + 1].x - c[i].x);
}

// The slope of the curve at point i.
double slopeAt(const Curve& c, size_t i)
{
    if (i == 0)
        return secant(c, 0);
    if (i + 1 == c.size())
        return secant(c, i - 1);
    return (c[i + 1].y - c[i - 1].y) / (c[i + 1].x - c[i - 1].x);
}

} // namespace

double evaluateCurve(const Curve& c, double x)
{
    if (c.empty())
        return 0.0;
    if (c.size() == 1)
        return c[0].y;
    if (x <= c.front().x)
        return c.front().y + (x - c.front().x) * slopeAt(c, 0);
    if (x >= c.back().x)
        return c.back().y + (x - c.back().x) * slopeAt(c, c.size() - 1);
    const auto after = std::upper_bound(c.begin(), c.end(), x,
                                        [](double v, const OfxPointD& p) { return v < p.x; });
    const size_t i = static_cast<size_t>(after - c.begin()) - 1;
    const double h = c[i + 1].x - c[i].x;
    const double t = (x - c[i].x) / h;
    const double s = secant(c, i);
    // The straight line through the segment plus the Hermite terms of how far each end's slope
    // departs from it: exactly the line where the slopes are the line's.
    const double h10 = t * (1 - t) * (1 - t);
    const double h11 = t * t * (t - 1);
    return c[i].y + t * (c[i + 1].y - c[i].y) +
           h * (h10 * (slopeAt(c, i) - s) + h11 * (slopeAt(c, i + 1) - s));
}

int addCurvePoint(Curve& c, OfxPointD point)
{
    const double span = c.size() > 1 ? c.back().x - c.front().x : 1.0;
    const double tolerance = 1e-9 * std::max(1.0, std::fabs(span));
    for (size_t i = 0; i < c.size(); ++i) {
        if (std::fabs(c[i].x - point.x) <= tolerance) {
            c[i] = point;
            return static_cast<int>(i);
        }
    }
    const auto at = std::upper_bound(c.begin(), c.end(), point.x,
                                     [](double v, const OfxPointD& p) { return v < p.x; });
    return static_cast<int>(c.insert(at, point) - c.begin());
}

} // namespace ofxhost
