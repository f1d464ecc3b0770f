// The look kernel: one thread per pixel of the render window applies the GPU
// pixel rule.
#include "CudaKernels.h"
#include "CudaLaunch.h"
#include "LutMath.h"

namespace {

// `src` and `dst` point at the window's first pixel; rows are `srcPitch` and
// `dstPitch` pixels apart, negative where they go down in memory.
__global__ void Process3DLUT(const float4* src, float4* dst, const float3* lut3d, int width,
                             int height, int lutSize, float mix, int srcPitch, int dstPitch)
{
    const int x = blockIdx.x * blockDim.x + threadIdx.x;
    const int y = blockIdx.y * blockDim.y + threadIdx.y;
    if (x >= width || y >= height) {
        return;
    }
    const float4 s = src[static_cast<long long>(y) * srcPitch + x];
    const ZelkRgba d = zelk_look_pixel_gpu(reinterpret_cast<const float*>(lut3d), lutSize, mix, s.x,
                                           s.y, s.z, s.w);
    dst[static_cast<long long>(y) * dstPitch + x] = make_float4(d.r, d.g, d.b, d.a);
}

} // namespace

GpuLaunchResult RunCudaKernel3DLUT(void* stream, const GpuLookWindow& window, float mix,
                                   const zelk_vec3<float>* lut, int lutSize, const float* src,
                                   float* dst)
{
    return CUDA::RunLookKernel(reinterpret_cast<const void*>(&Process3DLUT), "Process3DLUT", stream,
                               window, mix, lut, lutSize, src, dst);
}

GpuLaunchResult RunCudaKernel3DLUT(void* stream, int width, int height, float mix,
                                   const zelk_vec3<float>* lut, int lutSize, const float* src,
                                   float* dst)
{
    return RunCudaKernel3DLUT(stream, GpuLookWindow::packed(width, height), mix, lut, lutSize, src,
                              dst);
}
