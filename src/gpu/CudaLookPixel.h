#pragma once

// The GPU pixel rule: the tetrahedral look-up shared with the CPU path, then the
// GPU blend (the source product fused into the sum) and the source alpha.
// Compiles for the device and for the host, so tests can hold it against the CPU.
#include "../LutMath.h"

// Px is any four-float pixel with members x, y, z, w (R, G, B, A), e.g. float4.
template <typename Px>
ZELK_FN Px zelk_look_pixel_gpu(Px s, const float* lut, int lutSize, float mix)
{
    const ZelkRgb m = zelk_tetra_apply(lut, zelk_tetra_setup(s.x, s.y, s.z, lutSize));
    const float oneMinusMix = 1.0f - mix;
    Px d;
    d.x = zelk_blend_gpu(s.x, m.r, mix, oneMinusMix);
    d.y = zelk_blend_gpu(s.y, m.g, mix, oneMinusMix);
    d.z = zelk_blend_gpu(s.z, m.b, mix, oneMinusMix);
    d.w = s.w;
    return d;
}
