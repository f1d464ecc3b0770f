#include "Bake.h"

#include "LutError.h"
#include "LutMath.h"
#include "LutRules.h"

#include <cstdio>

namespace zelk::lut {

namespace {

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

std::string sizeText(int n)
{
    return std::to_string(n);
}

std::string triple(const float v[3])
{
    char text[96];
    std::snprintf(text, sizeof text, "%g %g %g", static_cast<double>(v[0]),
                  static_cast<double>(v[1]), static_cast<double>(v[2]));
    return text;
}

} // namespace

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

void evaluateCube(const CubeText& cube, const LatticeLut& table3d, const double in[3], float out[3])
{
    double v[3] = {in[0], in[1], in[2]};
    if (cube.size1d) {
        for (int c = 0; c < 3; ++c) {
            const double lo = cube.shaper ? cube.range1d[0] : cube.domainMin[c];
            const double hi = cube.shaper ? cube.range1d[1] : cube.domainMax[c];
            v[c] = interpolate1d(cube.table1d, cube.size1d, c, (v[c] - lo) / (hi - lo));
        }
    }
    if (!cube.size3d) {
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<float>(v[c]);
        return;
    }
    float u[3];
    for (int c = 0; c < 3; ++c) {
        const double lo = cube.shaper ? cube.range3d[0] : cube.domainMin[c];
        const double hi = cube.shaper ? cube.range3d[1] : cube.domainMax[c];
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
    BakePlan plan;
    if (requestedSize && (requestedSize < kMinAppliedSize || requestedSize > kMaxCubeSize))
        throw LutError(where(name) + "--size " + sizeText(requestedSize) + " is outside " +
                       sizeText(kMinAppliedSize) + " to " + sizeText(kMaxCubeSize) +
                       " (the lattices the plug-in applies)");
    if (cube.size3d && cube.size3d < kMinAppliedSize && !requestedSize)
        throw LutError(where(name) + "its lattice of " + sizeText(cube.size3d) +
                       " points per axis is below the " + sizeText(kMinAppliedSize) +
                       " the plug-in applies; pass --size N (18 to 256) to resample it");

    std::string why;
    if (!cube.size3d)
        why = "a 1D-only file";
    else if (cube.shaper)
        why = "the shaper (1D table and input ranges)";
    else if (cube.size1d)
        why = "the 1D table";
    else if (!cube.isPlainLattice())
        why = "the domain (DOMAIN_MIN " + triple(cube.domainMin) + ", DOMAIN_MAX " +
              triple(cube.domainMax) + ")";

    if (why.empty() && (!requestedSize || requestedSize == cube.size3d)) {
        plan.size = cube.size3d;
        plan.note = "lattice " + sizeText(plan.size) + " taken as is (rows reordered blue fastest)";
        return plan;
    }
    plan.baked = true;
    if (requestedSize)
        plan.size = requestedSize;
    else
        plan.size = cube.size3d > kDefaultBakeSize ? cube.size3d : kDefaultBakeSize;
    if (why.empty())
        plan.note = "resampled from lattice " + sizeText(cube.size3d) + " to " +
                    sizeText(plan.size) + " with tetrahedral interpolation";
    else
        plan.note = why + " baked onto a 0..1 lattice of " + sizeText(plan.size) +
                    " with tetrahedral interpolation (the plug-in's lattice always spans 0 to 1)";
    return plan;
}

LatticeLut convertCube(const CubeText& cube, const BakePlan& plan)
{
    LatticeLut source;
    if (cube.size3d)
        source = transposeTable(cube);
    if (!plan.baked)
        return source;
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

} // namespace zelk::lut
