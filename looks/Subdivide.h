#pragma once

// Exact refinement of a lattice the plug-in would not apply. Tetrahedral
// interpolation splits each cell along its main diagonal into the six
// tetrahedra given by the order of the three fractions; halving every edge
// splits each of those into tetrahedra of the same kind, so a finer lattice
// holding the coarse interpolation at the new points interpolates to the same
// look everywhere.

#include "LatticeLut.h"
#include "LutRules.h"

namespace zelk::lut {

// N -> 2N - 1, repeated until at least 18 points (17 -> 33, 9 -> 17 -> 33).
int subdividedSize(int size);

// The lattice of 2N - 1 points holding the coarse look's values. A new point
// lies halfway along the diagonal from its lower to its upper coarse
// neighbour, an edge of every tetrahedron that holds it, so its value is the
// mean of those two.
LatticeLut subdivideOnce(const LatticeLut& coarse);

// subdivideOnce until the lattice reaches subdividedSize.
LatticeLut subdivideForPlugin(const LatticeLut& lut);

} // namespace zelk::lut
