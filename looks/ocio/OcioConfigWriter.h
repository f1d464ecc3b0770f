#pragma once

// A bundle's looks as an OpenColorIO config, for any application that applies
// OpenColorIO looks: scene-linear as the reference, our two log curves as
// colour spaces, the 2.4-gamma display the looks encode for, and every look
// for both curves as a Look whose process space is its curve.

#include "BundleLooks.h"

#include <string>
#include <vector>

namespace zelk::lut::ocio {

struct WrittenConfig {
    std::string path;                  // OUTDIR/config.ocio
    int looks = 0;                     // OpenColorIO looks written (one per look and curve)
    std::vector<std::string> warnings; // looks left out, and why
};

// Writes OUTDIR/looks/tevo4/NAME.cube, OUTDIR/looks/tevo3/NAME.cube and, last,
// OUTDIR/config.ocio. Existing files are replaced only with `replace`; every
// target is checked before the first is written. LutError on failure.
WrittenConfig writeOcioConfig(const BundleLooks& bundle, const std::string& outDir, bool replace);

// The names of the config's colour spaces, display and views.
inline constexpr const char* kSceneLinear = "scene-linear";
inline constexpr const char* kDisplaySpace = "Gamma 2.4 display";
inline constexpr const char* kDisplay = "Gamma 2.4";

// "NAME (Tevo4/QXR4)": the OpenColorIO look of a bundle look for one curve.
std::string ocioLookName(const std::string& look, TransferCurve curve);

} // namespace zelk::lut::ocio
