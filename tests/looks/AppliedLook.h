#pragma once

// A bundled look as the plug-in applies it, for the look-quality tests: scene
// light encoded with the timeline's curve, looked up in the look's lattice
// with the plug-in's own tetrahedral interpolation, display code values out.

#include "CieLab.h"
#include "Generate.h"

namespace lookquality {

using zelk::lut::ops::Rgb;

class AppliedLook {
public:
    AppliedLook(const zelk::lut::LookRecipe& recipe, zelk::lut::TransferCurve curve, int size);

    // The code value the timeline carries for scene light `scene`.
    Rgb sourceCode(const Rgb& scene) const;
    // What the plug-in puts out for that source, at full intensity.
    Rgb displayCode(const Rgb& scene) const;
    Lab lab(const Rgb& scene) const;
    // The recipe itself, without the lattice in between.
    Lab exactLab(const Rgb& scene) const;

    const zelk::lut::LookRecipe& recipe() const { return *m_recipe; }
    const char* name() const { return m_recipe->name; }

private:
    const zelk::lut::LookRecipe* m_recipe;
    zelk::lut::TransferCurve m_curve;
    zelk::lut::LatticeLut m_lut;
};

// Every bundled look for `curve`, in the table's order.
std::vector<AppliedLook> applyEveryLook(zelk::lut::TransferCurve curve);

} // namespace lookquality
