// The look on one RGBA pixel per work-item. The interpolation is the CPU path's
// own code (LutMath.h, inlined here when the program text is embedded), and
// nothing may be contracted so that both paths round alike.
#pragma OPENCL FP_CONTRACT OFF

#include "LutMath.h"

float3 tetrahedral(float3 rgb, __global const float* lut3d, int lutSize)
{
    const ZelkRgb m = zelk_tetrahedral(lut3d, lutSize, rgb.x, rgb.y, rgb.z);
    return (float3)(m.r, m.g, m.b);
}

__kernel void Process3DLUT(__global const float4* src, __global float4* dst,
                           __global const float* lut3d, int width, int height, int lutSize,
                           float mix)
{
    const int x = (int)get_global_id(0);
    const int y = (int)get_global_id(1);
    if (x >= width || y >= height)
        return;
    const int i = y * width + x;
    const float4 s = src[i];
    const float3 m = tetrahedral(s.xyz, lut3d, lutSize);
    const float oneMinusMix = 1.0f - mix;
    // The blend uses the unclamped source, so NaN and infinities pass through.
    dst[i] = (float4)(zelk_blend_gpu(s.x, m.x, mix, oneMinusMix),
                      zelk_blend_gpu(s.y, m.y, mix, oneMinusMix),
                      zelk_blend_gpu(s.z, m.z, mix, oneMinusMix), s.w);
}
