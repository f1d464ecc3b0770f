#pragma once

// What the look tools need from OpenColorIO: processors evaluated exactly (no
// fast approximations), lattices sampled from them, the inputs a transform
// responds to, and our curves as OpenColorIO colour spaces. Only zelk-lut
// links OpenColorIO; the plug-in never does.

#include "LatticeLut.h"
#include "TransferCurves.h"

#include <OpenColorIO/OpenColorIO.h>

#include <string>
#include <vector>

namespace zelk::lut::ocio {

namespace OCIO = OCIO_NAMESPACE;

// The processor's CPU form with lossless optimisation only: no fast log, exp
// or pow, no prefix folded into a table, so it computes what the transforms say.
OCIO::ConstCPUProcessorRcPtr exactCpu(const OCIO::ConstProcessorRcPtr& processor);

// Applies `cpu` in place to packed RGB triples.
void applyRgb(const OCIO::ConstCPUProcessorRcPtr& cpu, std::vector<float>& rgb);

// `cpu` at every point of a 0..1 lattice of `size` (entry (r, g, b) takes the
// input (r, g, b) / (size - 1)). LutError naming `source` when a value is not
// finite: the plug-in could not use the lattice.
LatticeLut sampleLattice(const OCIO::ConstCPUProcessorRcPtr& cpu, int size,
                         const std::string& source);

// The largest difference between the plug-in's interpolation of `lut` and
// `cpu` itself, at the same pseudo-random colours as every other such figure.
double largestDifference(const OCIO::ConstCPUProcessorRcPtr& cpu, const LatticeLut& lut);

// Our transfer curve as a colour space whose reference is scene-linear light:
// a LogAffineTransform from the reference, which is the curve's formula.
OCIO::ColorSpaceRcPtr curveColorSpace(TransferCurve curve);

// A message for an OpenColorIO failure: "NAME: OpenColorIO: reason".
std::string ocioFailure(const std::string& name, const std::exception& e);

} // namespace zelk::lut::ocio
