// The look on one RGBA pixel per work-item. The pixel rule is the one the CUDA
// kernel and the tests use (LutMath.h, inlined here when the program text is
// embedded), and nothing may be contracted so that every path rounds alike.
#pragma OPENCL FP_CONTRACT OFF

#include "LutMath.h"

// Work-item (x, y) is pixel (x, y) of the render window; each image gives the
// window's first pixel and its row pitch, in pixels.
__kernel void Process3DLUT(__global const float4* src, __global float4* dst,
                           __global const float* lut3d, int width, int height, int lutSize,
                           float mix, long srcFirst, int srcPitch, long dstFirst, int dstPitch)
{
    const int x = (int)get_global_id(0);
    const int y = (int)get_global_id(1);
    if (x >= width || y >= height)
        return;
    const float4 s = src[srcFirst + (long)y * srcPitch + x];
    const ZelkRgba d = zelk_look_pixel_gpu(lut3d, lutSize, mix, s.x, s.y, s.z, s.w);
    dst[dstFirst + (long)y * dstPitch + x] = (float4)(d.r, d.g, d.b, d.a);
}
