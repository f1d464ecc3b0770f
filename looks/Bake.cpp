#include "Bake.h"

#include "Fidelity.h"
#include "LutError.h"
#include "LutMath.h"
#include "LutRules.h"
#include "Subdivide.h"

#include <cmath>
#include <cstdio>

namespace zelk::lut {

namespace {

const char* const kChannel[3] = {"red", "green", "blue"};

// Linear interpolation of one channel of a 1D table at t in 0..1 (clamped).
float interpolate1d(const std::vector<float>& table, int size, int channel, double t)
{
    t = t > 0.0 ? (t < 1.0 ? t : 1.0) : 0.0;
    const double x = t * (size - 1);
    int i = static_cast<int>(x);
    if (i >= size - 1)
        i = size - 2;
    const double f = x - i;
    const double a = table[3 * static_cast<std::size_t>(i) + static_cast<std::size_t>(channel)];
    const double b = table[3 * static_cast<std::size_t>(i + 1) + static_cast<std::size_t>(channel)];
    return static_cast<float>(a + (b - a) * f);
}

// A value as users write it: "1.0", "16.0", "-0.25".
std::string value(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%g", v);
    std::string s = text;
    if (s.find_first_of(".en") == std::string::npos)
        s += ".0";
    return s;
}

std::string triple(const float v[3])
{
    return value(v[0]) + " " + value(v[1]) + " " + value(v[2]);
}

// "red", "red and blue", "red, green and blue"
std::string channelList(const std::vector<int>& channels)
{
    std::string list;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (i > 0)
            list += i + 1 == channels.size() ? " and " : ", ";
        list += kChannel[channels[i]];
    }
    return list;
}

// The inputs the source declares (its first table's range) that lie outside
// the 0..1 the plug-in looks up.
std::vector<std::string> declaredUnreachable(const CubeText& cube)
{
    double lo[3], hi[3];
    for (int c = 0; c < 3; ++c) {
        float l, h;
        cube.inputRange(cube.size1d ? 1 : 3, c, l, h);
        lo[c] = l;
        hi[c] = h;
    }
    return unreachableInputs(lo, hi);
}

// Why the source cannot be taken as a lattice over 0..1; empty when it can.
std::string whyBake(const CubeText& cube)
{
    if (!cube.size3d)
        return "a 1D-only file";
    if (cube.size1d)
        return cube.usesInputRanges && (cube.range1d[0] != 0.0f || cube.range1d[1] != 1.0f ||
                                        cube.range3d[0] != 0.0f || cube.range3d[1] != 1.0f)
                   ? "the 1D shaper table and input ranges"
                   : "the 1D shaper table";
    if (cube.isPlainLattice())
        return "";
    if (cube.usesInputRanges)
        return "the 3D input range (LUT_3D_INPUT_RANGE " + value(cube.range3d[0]) + " " +
               value(cube.range3d[1]) + ")";
    return "the domain (DOMAIN_MIN " + triple(cube.domainMin) + ", DOMAIN_MAX " +
           triple(cube.domainMax) + ")";
}

} // namespace

std::vector<std::string> unreachableInputs(const double lo[3], const double hi[3])
{
    std::vector<std::string> lines;
    for (int side = 0; side < 2; ++side) {
        std::vector<std::pair<double, std::vector<int>>> groups; // the far end, its channels
        for (int c = 0; c < 3; ++c) {
            const double end = side == 0 ? lo[c] : hi[c];
            if (side == 0 ? !(end < 0.0) : !(end > 1.0))
                continue;
            auto same = groups.begin();
            while (same != groups.end() && same->first != end)
                ++same;
            if (same == groups.end())
                groups.push_back({end, {c}});
            else
                same->second.push_back(c);
        }
        for (const auto& [end, channels] : groups) {
            const std::string reach = std::isinf(end) ? ", without limit"
                                      : side == 0     ? ", down to " + value(end)
                                                      : ", up to " + value(end);
            lines.push_back(channelList(channels) + " inputs " +
                            (side == 0 ? "below 0.0" : "above 1.0") + reach + ", clamp to " +
                            (side == 0 ? "0.0" : "1.0") + " (the plug-in's lattice spans 0 to 1)");
        }
    }
    return lines;
}

LatticeLut transposeTable(const CubeText& cube)
{
    LatticeLut lut = makeLattice(cube.size3d);
    std::size_t row = 0;
    for (int ib = 0; ib < cube.size3d; ++ib)
        for (int ig = 0; ig < cube.size3d; ++ig)
            for (int ir = 0; ir < cube.size3d; ++ir, ++row) {
                float* e = lut.entry(ir, ig, ib);
                for (int c = 0; c < 3; ++c)
                    e[c] = cube.table3d[3 * row + static_cast<std::size_t>(c)];
            }
    return lut;
}

CubeText plainCube(const LatticeLut& lut)
{
    CubeText cube;
    cube.size3d = lut.size;
    cube.table3d.reserve(lut.values.size());
    for (int ib = 0; ib < lut.size; ++ib)
        for (int ig = 0; ig < lut.size; ++ig)
            for (int ir = 0; ir < lut.size; ++ir) {
                const float* e = lut.entry(ir, ig, ib);
                cube.table3d.insert(cube.table3d.end(), e, e + 3);
            }
    return cube;
}

void evaluateCube(const CubeText& cube, const LatticeLut& table3d, const double in[3], float out[3])
{
    double v[3] = {in[0], in[1], in[2]};
    float lo, hi;
    if (cube.size1d)
        for (int c = 0; c < 3; ++c) {
            cube.inputRange(1, c, lo, hi);
            v[c] = interpolate1d(cube.table1d, cube.size1d, c, (v[c] - lo) / (hi - lo));
        }
    if (!cube.size3d) {
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<float>(v[c]);
        return;
    }
    float u[3];
    for (int c = 0; c < 3; ++c) {
        cube.inputRange(3, c, lo, hi);
        u[c] = static_cast<float>((v[c] - lo) / (hi - lo));
    }
    // The same interpolation the plug-in renders with (it clamps to the table).
    const ZelkRgb m = zelk_tetrahedral(table3d.values.data(), table3d.size, u[0], u[1], u[2]);
    out[0] = m.r;
    out[1] = m.g;
    out[2] = m.b;
}

BakePlan planConversion(const CubeText& cube, int requestedSize, const std::string& name)
{
    if (requestedSize && (requestedSize < kMinAppliedSize || requestedSize > kMaxCubeSize))
        throw LutError(where(name) + "--size " + std::to_string(requestedSize) + " is outside " +
                       std::to_string(kMinAppliedSize) + " to " + std::to_string(kMaxCubeSize) +
                       " (the lattices the plug-in applies)");
    BakePlan plan;
    const std::string why = whyBake(cube);
    const std::string from = std::to_string(cube.size3d);
    if (why.empty() && (!requestedSize || requestedSize == cube.size3d)) {
        if (cube.size3d >= kMinAppliedSize) {
            plan.size = cube.size3d;
            plan.note = "lattice " + from + " taken as is";
        } else {
            plan.kind = ConversionKind::Subdivide;
            plan.size = subdividedSize(cube.size3d);
            plan.note = "lattice " + from + " subdivided exactly to " + std::to_string(plan.size) +
                        " (the midpoint of every edge inserted): it renders the same look, up to "
                        "float rounding";
        }
        return plan;
    }
    plan.kind = ConversionKind::Resample;
    plan.size = requestedSize                        ? requestedSize
                : cube.size3d > kDefaultResampleSize ? cube.size3d
                                                     : kDefaultResampleSize;
    const std::string to = std::to_string(plan.size);
    if (why.empty()) {
        plan.note =
            "resampled from lattice " + from + " to " + to + " with tetrahedral interpolation";
        return plan;
    }
    plan.note = why + " baked onto a 0..1 lattice of " + to +
                " with tetrahedral interpolation (the plug-in's lattice always spans 0 to 1)";
    plan.unreachable = declaredUnreachable(cube);
    return plan;
}

LatticeLut convertCube(const CubeText& cube, const BakePlan& plan)
{
    LatticeLut source;
    if (cube.size3d)
        source = transposeTable(cube);
    if (plan.kind == ConversionKind::Copy)
        return source;
    if (plan.kind == ConversionKind::Subdivide)
        return subdivideForPlugin(source);
    LatticeLut lut = makeLattice(plan.size);
    const double last = plan.size - 1;
    for (int ir = 0; ir < plan.size; ++ir)
        for (int ig = 0; ig < plan.size; ++ig)
            for (int ib = 0; ib < plan.size; ++ib) {
                const double in[3] = {ir / last, ig / last, ib / last};
                evaluateCube(cube, source, in, lut.entry(ir, ig, ib));
            }
    return lut;
}

Conversion convertWithReport(const CubeText& cube, int requestedSize, const std::string& name)
{
    const BakePlan plan = planConversion(cube, requestedSize, name);
    Conversion result;
    result.lut = convertCube(cube, plan);
    result.report.push_back(plan.note);
    result.report.insert(result.report.end(), plan.unreachable.begin(), plan.unreachable.end());
    if (plan.baked()) {
        const LatticeLut source = cube.size3d ? transposeTable(cube) : LatticeLut();
        const ColourFn reference = [&](const double in[3], float out[3]) {
            evaluateCube(cube, source, in, out);
        };
        result.report.push_back(differenceLine(largestDifferenceOffLattice(reference, result.lut),
                                               "the source", cube.size3d != 0));
    }
    return result;
}

} // namespace zelk::lut
