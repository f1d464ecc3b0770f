// RGBA to three colour planes; alpha is dropped.
__kernel void ProcessConvertToPlanar(__global const float4* src, __global float* dst0,
                                     __global float* dst1, __global float* dst2, int width,
                                     int height)
{
    const int x = (int)get_global_id(0);
    const int y = (int)get_global_id(1);
    if (x >= width || y >= height)
        return;
    const int i = y * width + x;
    const float4 s = src[clamp(y, 0, height - 1) * width + clamp(x, 0, width - 1)];
    dst0[i] = s.x;
    dst1[i] = s.y;
    dst2[i] = s.z;
}
