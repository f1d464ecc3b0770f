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

struct GenerateResult {
    int written = 0;   // files whose bytes changed
    int unchanged = 0; // files that already held the same bytes (left untouched)
};

// Writes every look for both curves under `resourcesDir`/looks_bin_tevo and
// looks_bin_tevo4 (created as needed). A file that already holds the same
// bytes is not rewritten, so repeated builds leave the bundle alone.
GenerateResult generateLookSet(const std::string& resourcesDir, int size);

} // namespace zelk::lut
