#pragma once

// Installing a look's two files into a bundle, shared by add and bake.

#include "BundleLooks.h"
#include "LatticeLut.h"
#include "Options.h"

#include <string>
#include <vector>

namespace zelk::lut::cli {

// One curve's table of a look on its way into a bundle.
struct CurveInput {
    std::string file;  // the input file, "" when the table was made here
    std::string label; // where it came from, for the report
    LatticeLut lut;
    std::vector<std::string> report;
};

// UsageError for a name the bundle cannot hold as a look.
void checkLookName(const Options& o, const std::string& name);

// Installs `inputs` (Tevo4, Tevo3) as look `name` under the bundle's lock:
// both files or neither, an existing look only with --force; reports unless quiet.
void installLook(const Options& o, const BundleLooks& bundle, const std::string& name,
                 const CurveInput (&inputs)[2]);

} // namespace zelk::lut::cli
