// Three colour planes to RGBA, alpha taken from a second RGBA image.
#include "CudaKernels.h"
#include "CudaLaunch.h"

namespace {

__global__ void ProcessConvertFromPlanarAlpha(const float* src0, const float* src1,
                                              const float* src2, float4* dst, float4* alpha,
                                              int width, int height)
{
    const int x = blockIdx.x * blockDim.x + threadIdx.x;
    const int y = blockIdx.y * blockDim.y + threadIdx.y;
    if (x >= width || y >= height) {
        return;
    }
    const size_t i = static_cast<size_t>(y) * width + x;
    dst[i] = make_float4(src0[i], src1[i], src2[i], alpha[i].w);
}

} // namespace

void RunCudaKernelConvertFromPlanarAlpha(void* stream, int width, int height, int /*unused*/,
                                         const float* const src[3], float* dst, const float* alpha)
{
    const float* src0 = src[0];
    const float* src1 = src[1];
    const float* src2 = src[2];
    void* args[] = {&src0, &src1, &src2, &dst, &alpha, &width, &height};
    (void)CUDA::LaunchPerPixel(reinterpret_cast<const void*>(&ProcessConvertFromPlanarAlpha), width,
                               height, args, stream);
}
