#include "OcioInputRange.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace zelk::lut::ocio {

namespace {

constexpr double kLargestHalf = 65504.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// x_step = scale * x_input + offset, per channel, and the input interval the
// clamping steps so far let through.
struct Affine {
    double scale[3] = {1, 1, 1};
    double offset[3] = {0, 0, 0};
    double lo[3] = {-kInfinity, -kInfinity, -kInfinity};
    double hi[3] = {kInfinity, kInfinity, kInfinity};

    // The input that gives `v` at the current step.
    double input(int c, double v) const { return (v - offset[c]) / scale[c]; }
    void then(int c, double s, double o)
    {
        scale[c] *= s;
        offset[c] = offset[c] * s + o;
    }
    // Inputs whose value at the current step lies outside [a, b] are clamped.
    void clamp(int c, double a, double b)
    {
        double x = input(c, a), y = input(c, b);
        if (x > y)
            std::swap(x, y);
        lo[c] = std::fmax(lo[c], x);
        hi[c] = std::fmin(hi[c], y);
    }
};

bool addMatrix(Affine& a, const OCIO::MatrixTransform& m)
{
    double m44[16], offset4[4];
    m.getMatrix(m44);
    m.getOffset(offset4);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (r != c && m44[4 * r + c] != 0.0)
                return false; // crosstalk: no per-channel range
    for (int c = 0; c < 3; ++c) {
        const double s = m44[5 * c];
        if (s == 0.0)
            return false;
        if (m.getDirection() == OCIO::TRANSFORM_DIR_FORWARD)
            a.then(c, s, offset4[c]);
        else
            a.then(c, 1.0 / s, -offset4[c] / s);
    }
    return true;
}

void addRange(Affine& a, const OCIO::RangeTransform& r)
{
    const bool forward = r.getDirection() == OCIO::TRANSFORM_DIR_FORWARD;
    const bool hasMin = forward ? r.hasMinInValue() : r.hasMinOutValue();
    const bool hasMax = forward ? r.hasMaxInValue() : r.hasMaxOutValue();
    const double minIn = forward ? r.getMinInValue() : r.getMinOutValue();
    const double maxIn = forward ? r.getMaxInValue() : r.getMaxOutValue();
    const double minOut = forward ? r.getMinOutValue() : r.getMinInValue();
    const double maxOut = forward ? r.getMaxOutValue() : r.getMaxInValue();
    const bool clamps = r.getStyle() == OCIO::RANGE_CLAMP;
    for (int c = 0; c < 3; ++c) {
        if (clamps)
            a.clamp(c, hasMin ? minIn : -kInfinity, hasMax ? maxIn : kInfinity);
        if (hasMin && hasMax) {
            const double s = (maxOut - minOut) / (maxIn - minIn);
            a.then(c, s, minOut - s * minIn);
        } else if (hasMin) {
            a.then(c, 1.0, minOut - minIn);
        } else if (hasMax) {
            a.then(c, 1.0, maxOut - maxIn);
        }
    }
}

// The input at the edge of the first table's 0..1 domain; the half domain of
// a 1D table takes every float.
void tableDomain(const Affine& a, bool halfDomain, double lo[3], double hi[3])
{
    for (int c = 0; c < 3; ++c) {
        double x = halfDomain ? -kInfinity : a.input(c, 0.0);
        double y = halfDomain ? kInfinity : a.input(c, 1.0);
        if (x > y)
            std::swap(x, y);
        lo[c] = std::fmax(x, a.lo[c]);
        hi[c] = std::fmin(y, a.hi[c]);
    }
}

// Steps of a quarter stop away from an edge of 0..1, out to the largest half.
class Probe {
public:
    Probe(const OCIO::ConstCPUProcessorRcPtr& cpu, int channel, float others)
        : m_cpu(cpu), m_channel(channel), m_others(others)
    {
    }

    // The input beyond `edge` (0 or 1, going in `direction`) where the output
    // stops changing: `edge` when it never changes, infinite when it still
    // changes at the largest half value.
    double end(double edge, double direction) const
    {
        auto point = [&](int k) {
            const double x = edge + direction * std::exp2(k / 4.0 - 24.0);
            return std::fmax(-kLargestHalf, std::fmin(kLargestHalf, x));
        };
        constexpr int kLast = 160; // 2^-24 .. 2^16
        std::vector<std::array<float, 3>> outs(kLast + 1);
        std::array<float, 3> atEdge;
        at(edge, atEdge);
        int lastChange = -1;
        const std::array<float, 3>* previous = &atEdge;
        for (int k = 0; k <= kLast; ++k) {
            at(point(k), outs[k]);
            if (differs(outs[k], *previous))
                lastChange = k;
            previous = &outs[k];
        }
        if (lastChange < 0)
            return edge;
        if (lastChange == kLast)
            return direction * kInfinity;
        // The output reaches its final value between the point before the
        // last change and that change: bisect for where.
        const std::array<float, 3>& final = outs[kLast];
        double inside = lastChange == 0 ? edge : point(lastChange - 1);
        double outside = point(lastChange);
        for (int i = 0; i < 60; ++i) {
            const double mid = 0.5 * (inside + outside);
            std::array<float, 3> out;
            at(mid, out);
            (differs(out, final) ? inside : outside) = mid;
        }
        return outside;
    }

private:
    void at(double x, std::array<float, 3>& out) const
    {
        out.fill(m_others);
        out[std::size_t(m_channel)] = static_cast<float>(x);
        m_cpu->applyRGB(out.data());
    }

    // Changed by more than float rounding.
    static bool differs(const std::array<float, 3>& a, const std::array<float, 3>& b)
    {
        for (int c = 0; c < 3; ++c) {
            const double scale = std::fmax(1.0, std::fabs(a[c]));
            if (!(std::fabs(double(a[c]) - double(b[c])) <= 1e-6 * scale))
                return true;
        }
        return false;
    }

    OCIO::ConstCPUProcessorRcPtr m_cpu;
    int m_channel;
    float m_others;
};

} // namespace

bool declaredRange(const OCIO::ConstGroupTransformRcPtr& steps, double lo[3], double hi[3])
{
    Affine a;
    for (int i = 0; i < steps->getNumTransforms(); ++i) {
        const OCIO::ConstTransformRcPtr step = steps->getTransform(i);
        if (const auto m = OCIO::DynamicPtrCast<const OCIO::MatrixTransform>(step)) {
            if (!addMatrix(a, *m))
                return false;
        } else if (const auto r = OCIO::DynamicPtrCast<const OCIO::RangeTransform>(step)) {
            addRange(a, *r);
        } else if (const auto t = OCIO::DynamicPtrCast<const OCIO::Lut1DTransform>(step)) {
            tableDomain(a, t->getInputHalfDomain(), lo, hi);
            return true;
        } else if (OCIO::DynamicPtrCast<const OCIO::Lut3DTransform>(step)) {
            tableDomain(a, false, lo, hi);
            return true;
        } else {
            return false;
        }
    }
    return false;
}

void responseRange(const OCIO::ConstCPUProcessorRcPtr& cpu, double lo[3], double hi[3])
{
    for (int c = 0; c < 3; ++c) {
        lo[c] = 0.0;
        hi[c] = 1.0;
        for (float others : {0.0f, 0.5f, 1.0f}) {
            const Probe probe(cpu, c, others);
            lo[c] = std::fmin(lo[c], probe.end(0.0, -1.0));
            hi[c] = std::fmax(hi[c], probe.end(1.0, 1.0));
        }
    }
}

} // namespace zelk::lut::ocio
