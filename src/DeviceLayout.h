#pragma once

// Where the render window lies in an image that a host hands over in device
// memory (a CUDA pointer or an OpenCL buffer), from the image's bounds and row
// bytes as the CPU path reads them.

#include <string>

#include "gpu/GpuLook.h"
#include "ofxCore.h"

namespace zelk {

// The layout of `window` in an image of `bounds` whose rows lie `rowBytes` apart
// (negative where they go down in memory). "" when a kernel can address it, else
// why not, to follow the image's name: the window must lie inside the bounds and
// the rows must hold the bounds' width in whole 16-byte pixels.
std::string deviceLayout(const OfxRectI& window, const OfxRectI& bounds, int rowBytes,
                         GpuImageLayout& layout);

} // namespace zelk
