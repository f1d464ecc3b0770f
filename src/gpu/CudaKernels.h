#pragma once

#include <cstddef>

#include "GpuLook.h"
#include "ZelkVec3.h"

// CUDA helpers: they never throw; failures are logged ("... error = %d") and
// functions that create something return null.
namespace CUDA {
void* AllocBuffer(void* stream, size_t bytes, const void* hostData);
void FreeBuffer(void* stream, void* devicePtr);
void WriteBuffer(void* stream, void* devicePtr, size_t bytes, const void* hostData);
// Waits for the device and reports (and clears) the runtime's last error: 0 when
// there was none.
int CheckError(const char* kernelName);
} // namespace CUDA

// Applies the look over `window` of RGBA float images in device memory on the
// stream; returns after the kernel has finished, saying whether it ran. `src`
// and `dst` point at the images' data (their pixel (bounds.x1, bounds.y1)).
GpuLaunchResult RunCudaKernel3DLUT(void* stream, const GpuLookWindow& window, float mix,
                                   const zelk_vec3<float>* lut, int lutSize, const float* src,
                                   float* dst);
// The same over whole width x height images with packed rows.
GpuLaunchResult RunCudaKernel3DLUT(void* stream, int width, int height, float mix,
                                   const zelk_vec3<float>* lut, int lutSize, const float* src,
                                   float* dst);
void RunCudaKernelConvertFromPlanar(void* stream, int width, int height, int unused,
                                    const float* const src[3], float* dst);
void RunCudaKernelConvertFromPlanarAlpha(void* stream, int width, int height, int unused,
                                         const float* const src[3], float* dst, const float* alpha);
void RunCudaKernelConvertToPlanar(void* stream, int width, int height, int unused, const float* src,
                                  float* const dst[3]);
