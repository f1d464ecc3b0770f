#include "CudaLaunch.h"

#include <cstdint>

#include "LutRules.h"

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

namespace {

// A float4 access needs 16-byte alignment; rows closer than a window row would
// overlap. CUDA's code for the problem, 0 when there is none (logged).
int check_image(const char* what, const float* data, const GpuImageLayout& layout, int width)
{
    if (data == nullptr) {
        OFX::Log::print("Missing CUDA %s image! error = %d", what, int(cudaErrorInvalidValue));
        return cudaErrorInvalidValue;
    }
    if (reinterpret_cast<std::uintptr_t>(data) % 16 != 0) {
        OFX::Log::print("CUDA %s image is not 16-byte aligned! error = %d", what,
                        int(cudaErrorMisalignedAddress));
        return cudaErrorMisalignedAddress;
    }
    const std::int64_t pitch = layout.pitch < 0 ? -std::int64_t(layout.pitch) : layout.pitch;
    if (width > 0 && pitch < width) {
        OFX::Log::print("CUDA %s image rows %d pixels apart cannot hold %d! error = %d", what,
                        int(layout.pitch), width, int(cudaErrorInvalidPitchValue));
        return cudaErrorInvalidPitchValue;
    }
    return cudaSuccess;
}

} // namespace

GpuLaunchResult RunLookKernel(const void* kernel, const char* kernelName, void* stream,
                              const GpuLookWindow& window, float mix, const zelk_vec3<float>* lut,
                              int lutSize, const float* src, float* dst)
{
    if (lut == nullptr || lutSize < 1 || lutSize > zelk::lut::kMaxCubeSize) {
        OFX::Log::print("No LUT for %s kernel! lutSize = %d", kernelName, lutSize);
        return {"checking the LUT", cudaErrorInvalidValue};
    }
    int width = window.width, height = window.height;
    int error = check_image("source", src, window.src, width);
    if (error == cudaSuccess)
        error = check_image("destination", dst, window.dst, width);
    if (error != cudaSuccess)
        return {"checking the images", error};
    // Widened before multiplying, so large sizes cannot wrap into a short buffer.
    const size_t entries =
        static_cast<size_t>(lutSize) * static_cast<size_t>(lutSize) * static_cast<size_t>(lutSize);
    void* lutBuffer = AllocBuffer(stream, entries * sizeof(zelk_vec3<float>), lut);
    if (lutBuffer == nullptr) {
        // Already logged; the kernel would read through a null LUT.
        return {"uploading the LUT", static_cast<int>(cudaGetLastError())};
    }
    // The kernel addresses rows from the window's first pixel.
    const float* srcFirst = src + 4 * window.src.first;
    float* dstFirst = dst + 4 * window.dst.first;
    int srcPitch = window.src.pitch, dstPitch = window.dst.pitch;
    const void* lutArg = lutBuffer;
    void* args[] = {&srcFirst, &dstFirst, &lutArg,   &width,   &height,
                    &lutSize,  &mix,      &srcPitch, &dstPitch};
    // A refused launch leaves its error for CheckError to report.
    (void)LaunchPerPixel(kernel, width, height, args, stream);
    error = CheckError(kernelName);
    FreeBuffer(stream, lutBuffer);
    if (error != cudaSuccess)
        return {"running the look kernel", error};
    return {};
}

} // namespace CUDA
