// Three colour planes to RGBA with an opaque alpha.
__kernel void ProcessConvertFromPlanar(__global const float* src0, __global const float* src1,
                                       __global const float* src2, __global float4* dst, int width,
                                       int height)
{
    const int x = (int)get_global_id(0);
    const int y = (int)get_global_id(1);
    if (x >= width || y >= height)
        return;
    const int i = y * width + x;
    const int j = clamp(y, 0, height - 1) * width + clamp(x, 0, width - 1);
    dst[i] = (float4)(src0[j], src1[j], src2[j], 1.0f);
}
