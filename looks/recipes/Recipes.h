#pragma once

// The bundled look set. Each recipe maps scene-linear light (already decoded
// from the timeline's transfer curve) to display-linear light 0..1; the
// generator encodes the result for a 2.4 gamma display.

#include "LookOps.h"

#include <vector>

namespace zelk::lut {

// What a look does on purpose that the look-quality tests would otherwise
// take for a fault.
enum LookTrait : unsigned {
    kTintsSkin = 1u << 0, // moves skin tones' hue (a tint, or no colour at all)
};

struct LookRecipe {
    const char* name;        // the look's name in the host (its file name, less ".cube.bin")
    const char* description; // one line: what the look is for
    ops::Rgb (*sceneToDisplay)(ops::Rgb scene);
    bool identity;   // maps every code value to itself, whatever the curve
    unsigned traits; // LookTrait flags

    bool has(LookTrait t) const { return (traits & t) != 0; }
};

// Every recipe, in name order.
const std::vector<LookRecipe>& lookRecipes();

} // namespace zelk::lut
