#pragma once

// Turning a parsed .cube file into the plug-in's lattice: a plain 3D table is
// transposed (red fastest to blue fastest); a shaper, a 1D table, a
// non-default domain or a requested size is baked by evaluating the source at
// every point of a 0..1 lattice, with tetrahedral interpolation of its 3D table.

#include "CubeText.h"
#include "LatticeLut.h"

#include <string>

namespace zelk::lut {

// Default lattice when a .cube must be baked (domain, shaper, 1D only).
inline constexpr int kDefaultBakeSize = 33;

struct BakePlan {
    int size = 0;       // lattice of the result
    bool baked = false; // resampled rather than transposed
    std::string note;   // one line for the user: what happens and why
};

// What converting `cube` gives; `requestedSize` 0 means the default (the
// file's 3D size, at least 33 when baking). Throws LutError naming `name` when
// the result would be a lattice the plug-in does not apply (17 or less) and
// no size was requested, or when the requested size is outside 18 to 256.
BakePlan planConversion(const CubeText& cube, int requestedSize, const std::string& name);

LatticeLut convertCube(const CubeText& cube, const BakePlan& plan);

// The source's own mapping of one colour (its domain, shaper and tables, with
// tetrahedral interpolation of the 3D table): what baking samples.
void evaluateCube(const CubeText& cube, const LatticeLut& table3dBlueFastest, const double in[3],
                  float out[3]);

// The 3D table of `cube` in the plug-in's order (blue fastest).
LatticeLut transposeTable(const CubeText& cube);

} // namespace zelk::lut
