#pragma once

// Looks baked from an OpenColorIO config: the transform from one of our
// curves' colour spaces to a colour space, through looks, or to a display and
// view, evaluated by OpenColorIO at every lattice point.

#include "LatticeLut.h"
#include "TransferCurves.h"

#include <string>
#include <vector>

namespace zelk::lut::ocio {

struct ConfigTransform {
    std::string config;  // path of the .ocio file
    std::string toSpace; // --to
    std::string looks;   // --look (OpenColorIO's list syntax: "a, b, -c")
    std::string display; // --display
    std::string view;    // --view
};

struct BakedLook {
    LatticeLut lut;
    std::vector<std::string> report;
};

// The transform's lattice of `size` for input encoded with `curve`. The curve's
// colour space is the config's own when it has one of that name; otherwise
// ours (scene-linear reference) is added to an in-memory copy, and the report
// says so. LutError with OpenColorIO's reason for anything it refuses.
BakedLook bakeConfigTransform(const ConfigTransform& transform, TransferCurve curve, int size);

} // namespace zelk::lut::ocio
