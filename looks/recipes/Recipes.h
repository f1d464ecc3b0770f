#pragma once

// The bundled look set. Each recipe maps scene-linear light (already decoded
// from the timeline's transfer curve) to display-linear light 0..1; the
// generator encodes the result for a 2.4 gamma display.

#include "LookOps.h"

#include <vector>

namespace zelk::lut {

struct LookRecipe {
    const char* name;        // the look's name in the host (its file name, less ".cube.bin")
    const char* description; // one line for README and `zelk-lut generate --list`
    ops::Rgb (*sceneToDisplay)(ops::Rgb scene);
    bool identity; // maps every code value to itself, whatever the curve
};

// Every recipe, in name order.
const std::vector<LookRecipe>& lookRecipes();

} // namespace zelk::lut
