#pragma once

// How far a lattice strays from the transform it was sampled from, measured
// where it matters: between lattice points, through the plug-in's own
// interpolation.

#include "LatticeLut.h"

#include <functional>
#include <string>

namespace zelk::lut {

using ColourFn = std::function<void(const double in[3], float out[3])>;

inline constexpr int kFidelityPoints = 1 << 18;

// The largest difference over every channel between `reference` and the
// plug-in's tetrahedral interpolation of `lut`, at `points` pseudo-random
// colours of the 0..1 cube. The seed is fixed, so a file gives the same figure
// on every run; random colours miss every lattice plane, so neither lattice's
// own points (where both agree by construction) flatter the figure.
double largestDifferenceOffLattice(const ColourFn& reference, const LatticeLut& lut,
                                   int points = kFidelityPoints);

// "largest difference from SOURCE at 262144 points off both lattices: 3.1e-04"
// (or "off the lattice" when the source is no lattice of its own).
std::string differenceLine(double difference, const std::string& source, bool sourceIsLattice);

} // namespace zelk::lut
