// The look kernel: one thread per pixel applies the GPU pixel rule.
#include "CudaKernels.h"
#include "CudaLaunch.h"
#include "LutMath.h"

namespace {

__global__ void Process3DLUT(const float4* src, float4* dst, const float3* lut3d, int width,
                             int height, int lutSize, float mix)
{
    const int x = blockIdx.x * blockDim.x + threadIdx.x;
    const int y = blockIdx.y * blockDim.y + threadIdx.y;
    if (x >= width || y >= height) {
        return;
    }
    const size_t i = static_cast<size_t>(y) * width + x;
    const float4 s = src[i];
    const ZelkRgba d = zelk_look_pixel_gpu(reinterpret_cast<const float*>(lut3d), lutSize, mix, s.x,
                                           s.y, s.z, s.w);
    dst[i] = make_float4(d.r, d.g, d.b, d.a);
}

} // namespace

void RunCudaKernel3DLUT(void* stream, int width, int height, float mix, const zelk_vec3<float>* lut,
                        int lutSize, const float* src, float* dst)
{
    CUDA::RunLookKernel(reinterpret_cast<const void*>(&Process3DLUT), "Process3DLUT", stream, width,
                        height, mix, lut, lutSize, src, dst);
}
