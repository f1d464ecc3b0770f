#pragma once

#include <string>
#include <vector>

#include "ZelkVec3.h"

// LUTs, images and the CPU reference that the OpenCL tests compare against.
namespace looktest {

using Lut = std::vector<zelk_vec3<float>>;
using Pixels = std::vector<float>; // RGBA, packed rows

// Only red is non-zero, and it weighs the three inputs differently, so that an
// axis mix-up shows.
Lut redOnlyLut(int n);
// Non-monotonic with entries outside [0, 1] (a fixed pseudo-random pattern).
Lut bizarreLut(int n);
// A smooth, twisted look with distinct outputs per channel.
Lut twistedLut(int n);

// Ramps across the frame with lattice points, ties and exact 0 and 1 among
// them; alpha varies too.
Pixels chart(int width, int height, int lutSize);
// Every channel runs from -1 to 2 with NaN and both infinities interleaved.
Pixels wideRamp(int width, int height);

// The CPU path's row function over the whole image.
Pixels cpuLook(const Lut& lut, int n, float mix, const Pixels& src);
// The device's rule computed on the CPU: the same interpolation, the source
// product fused into the blend.
Pixels fusedLook(const Lut& lut, int n, float mix, const Pixels& src);

// Distance in units in the last place; 0 for equal values and for two NaNs,
// huge when only one is NaN.
long long ulpDistance(float a, float b);

// Empty when every value of `actual` is within `maxUlp` of `expected`, else a
// description of the first few differences.
std::string compareWithinUlp(const Pixels& expected, const Pixels& actual, long long maxUlp);

// Empty when `actual` differs from the CPU path's `cpu` only by fusing the blend:
// each colour within one ulp of the blend's largest term (a fused sum that
// nearly cancels moves many ulps of the small result, never more than that),
// non-finite values and alpha identical.
std::string compareAsFusedBlend(const Lut& lut, int n, float mix, const Pixels& src,
                                const Pixels& cpu, const Pixels& actual);

} // namespace looktest
