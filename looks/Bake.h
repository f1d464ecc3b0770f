#pragma once

// Turning a parsed .cube file into the plug-in's lattice. A plain 3D table of
// 18 points or more is transposed (red fastest to blue fastest); a smaller one
// is subdivided exactly; a shaper, a 1D table, an input range other than 0..1
// or a requested size is baked by evaluating the source at every point of a
// 0..1 lattice, with tetrahedral interpolation of its 3D table.

#include "CubeText.h"
#include "LatticeLut.h"

#include <string>
#include <vector>

namespace zelk::lut {

// The lattice a re-sampled look gets when no size is asked for (or the
// source's own, when larger).
inline constexpr int kDefaultResampleSize = 65;

enum class ConversionKind {
    Copy,      // the source lattice as it is
    Subdivide, // the source lattice with every edge halved, until 18 or more
    Resample,  // the source evaluated at every point of a new lattice
};

struct BakePlan {
    ConversionKind kind = ConversionKind::Copy;
    int size = 0;     // lattice of the result
    std::string note; // one line for the user: what happens and why
    // One line per group of channels whose declared inputs reach outside 0..1,
    // which the plug-in's lattice cannot reach: "red inputs above 1.0, up to
    // 16.0, clamp to 1.0".
    std::vector<std::string> unreachable;

    bool baked() const { return kind == ConversionKind::Resample; }
};

// What converting `cube` gives; `requestedSize` 0 means the default. Throws
// LutError naming `name` when the requested size is outside 18 to 256.
BakePlan planConversion(const CubeText& cube, int requestedSize, const std::string& name);

LatticeLut convertCube(const CubeText& cube, const BakePlan& plan);

// The source's own mapping of one colour (its input ranges, 1D table and 3D
// table with tetrahedral interpolation): what baking samples.
void evaluateCube(const CubeText& cube, const LatticeLut& table3dBlueFastest, const double in[3],
                  float out[3]);

// The 3D table of `cube` in the plug-in's order (blue fastest), and back: a
// lattice as a plain .cube.
LatticeLut transposeTable(const CubeText& cube);
CubeText plainCube(const LatticeLut& lut);

// One line per group of channels (same end) whose inputs reach outside 0..1:
// "red and blue inputs above 1.0, up to 16.0, clamp to 1.0 (...)". An infinite
// end reads "without limit".
std::vector<std::string> unreachableInputs(const double lo[3], const double hi[3]);

// A conversion with everything the user should hear about it: the plan's
// note, what becomes unreachable and, when re-sampled, how far the result
// strays from the source between lattice points.
struct Conversion {
    LatticeLut lut;
    std::vector<std::string> report;
};
Conversion convertWithReport(const CubeText& cube, int requestedSize, const std::string& name);

} // namespace zelk::lut
