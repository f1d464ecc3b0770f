#pragma once

#include "LatticeLut.h"
#include "TransferCurves.h"
#include "recipes/Recipes.h"

#include <string>
#include <vector>

namespace zelk::lut {

inline constexpr int kDefaultLookSize = 33;

// The lattice of one look for one transfer curve: each lattice point is a code
// value of the curve, decoded to scene light, run through the recipe and
// encoded for the display.
LatticeLut bakeLook(const LookRecipe& recipe, TransferCurve curve, int size);

// Writes every look for both curves under `resourcesDir`/looks_bin_tevo and
// looks_bin_tevo4 (created as needed), each file replaced whole. Returns the
// number of files written.
int generateLookSet(const std::string& resourcesDir, int size);

} // namespace zelk::lut
