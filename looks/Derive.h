#pragma once

// A look for one transfer curve built from the same look for the other. Both
// curves encode the same scene light, so the look for curve A at code x is
// the look for curve B at B's code of A's scene value for x.

#include "LatticeLut.h"
#include "TransferCurves.h"

#include <string>
#include <vector>

namespace zelk::lut {

// The look for `to` on a lattice of `size`, each point the plug-in's
// tetrahedral interpolation of `source` (the look for `from`) at the point's
// code translated through the two curves; codes beyond `from`'s range take
// its edge, as the plug-in clamps them.
LatticeLut deriveLook(const LatticeLut& source, TransferCurve from, TransferCurve to, int size);

struct DerivedLook {
    LatticeLut lut;
    std::vector<std::string> report; // what was done, which codes clamp, the difference
};
DerivedLook deriveLookWithReport(const LatticeLut& source, TransferCurve from, TransferCurve to,
                                 int size);

} // namespace zelk::lut
