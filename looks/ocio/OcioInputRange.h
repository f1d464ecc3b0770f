#pragma once

// The inputs an OpenColorIO transform takes beyond the 0..1 the plug-in looks
// up, for the report of what baking makes unreachable.

#include "OcioSupport.h"

namespace zelk::lut::ocio {

// The inputs a file declares: the 0..1 domain of its first table, mapped back
// through the scale-and-offset steps (matrices without crosstalk, ranges)
// before it, and cut at any clamping range. False when another kind of step
// comes first, or there is no table.
bool declaredRange(const OCIO::ConstGroupTransformRcPtr& steps, double lo[3], double hi[3]);

// Where the transform stops responding outside 0..1, per channel, with the
// other channels held at 0, 0.5 and 1 (the widest of the three): ends found by
// probing out to +-65504, infinite when it still responds there, 0 and 1 when
// it does not respond outside 0..1 at all.
void responseRange(const OCIO::ConstCPUProcessorRcPtr& cpu, double lo[3], double hi[3]);

} // namespace zelk::lut::ocio
