// RGBA to three colour planes; alpha is dropped.
#include "CudaKernels.h"
#include "CudaLaunch.h"

namespace {

__global__ void ProcessConvertToPlanar(const float4* src, float* dst0, float* dst1, float* dst2,
                                       int width, int height)
{
    const int x = blockIdx.x * blockDim.x + threadIdx.x;
    const int y = blockIdx.y * blockDim.y + threadIdx.y;
    if (x >= width || y >= height) {
        return;
    }
    const size_t i = static_cast<size_t>(y) * width + x;
    const float4 s = src[i];
    dst0[i] = s.x;
    dst1[i] = s.y;
    dst2[i] = s.z;
}

} // namespace

void RunCudaKernelConvertToPlanar(void* stream, int width, int height, int /*unused*/,
                                  const float* src, float* const dst[3])
{
    float* dst0 = dst[0];
    float* dst1 = dst[1];
    float* dst2 = dst[2];
    void* args[] = {&src, &dst0, &dst1, &dst2, &width, &height};
    (void)CUDA::LaunchPerPixel(reinterpret_cast<const void*>(&ProcessConvertToPlanar), width,
                               height, args, stream);
}
