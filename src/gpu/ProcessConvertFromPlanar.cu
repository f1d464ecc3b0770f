// Three colour planes to RGBA with alpha 1.
#include "CudaKernels.h"
#include "CudaLaunch.h"

namespace {

__global__ void ProcessConvertFromPlanar(const float* src0, const float* src1, const float* src2,
                                         float4* dst, int width, int height)
{
    const int x = blockIdx.x * blockDim.x + threadIdx.x;
    const int y = blockIdx.y * blockDim.y + threadIdx.y;
    if (x >= width || y >= height) {
        return;
    }
    const size_t i = static_cast<size_t>(y) * width + x;
    dst[i] = make_float4(src0[i], src1[i], src2[i], 1.0f);
}

} // namespace

void RunCudaKernelConvertFromPlanar(void* stream, int width, int height, int /*unused*/,
                                    const float* const src[3], float* dst)
{
    const float* src0 = src[0];
    const float* src1 = src[1];
    const float* src2 = src[2];
    void* args[] = {&src0, &src1, &src2, &dst, &width, &height};
    (void)CUDA::LaunchPerPixel(reinterpret_cast<const void*>(&ProcessConvertFromPlanar), width,
                               height, args, stream);
}
