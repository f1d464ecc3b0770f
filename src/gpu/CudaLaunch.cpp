#include "CudaLaunch.h"

#include <cstdint>

#include "ofxsLog.h"

namespace CUDA {

dim3 LaunchBlock()
{
    return dim3(kBlockWidth, 1, 1);
}

dim3 LaunchGrid(int width, int height)
{
    // ceil(width / 64) in unsigned arithmetic; a non-positive size yields 0 and
    // the launch is refused rather than wrapped into a huge grid.
    const unsigned columns =
        width > 0 ? (static_cast<unsigned>(width) + (kBlockWidth - 1)) >> 6 : 0u;
    const unsigned rows = height > 0 ? static_cast<unsigned>(height) : 0u;
    return dim3(columns, rows, 1);
}

cudaError_t LaunchPerPixel(const void* kernel, int width, int height, void** args, void* stream)
{
    return cudaLaunchKernel(kernel, LaunchGrid(width, height), LaunchBlock(), args, 0,
                            static_cast<cudaStream_t>(stream));
}

void RunLookKernel(const void* kernel, const char* kernelName, void* stream, int width, int height,
                   float mix, const zelk_vec3<float>* lut, int lutSize, const float* src,
                   float* dst)
{
    if (lut == nullptr || lutSize < 1) {
        OFX::Log::print("No LUT for %s kernel! lutSize = %d", kernelName, lutSize);
        return;
    }
    // Widened before multiplying, so large sizes cannot wrap into a short buffer.
    const size_t entries =
        static_cast<size_t>(lutSize) * static_cast<size_t>(lutSize) * static_cast<size_t>(lutSize);
    void* lutBuffer = AllocBuffer(stream, entries * sizeof(zelk_vec3<float>), lut);
    if (lutBuffer == nullptr) {
        // Already logged; the kernel would read through a null LUT.
        return;
    }
    const void* lutArg = lutBuffer;
    void* args[] = {&src, &dst, &lutArg, &width, &height, &lutSize, &mix};
    // A refused launch leaves its error for CheckError to report.
    (void)LaunchPerPixel(kernel, width, height, args, stream);
    CheckError(kernelName);
    FreeBuffer(stream, lutBuffer);
}

} // namespace CUDA
