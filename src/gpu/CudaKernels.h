#pragma once

#include <cstddef>

#include "ZelkVec3.h"

// CUDA helpers: they never throw; failures are logged ("... error = %d") and
// functions that create something return null.
namespace CUDA {
void* AllocBuffer(void* stream, size_t bytes, const void* hostData);
void FreeBuffer(void* stream, void* devicePtr);
void WriteBuffer(void* stream, void* devicePtr, size_t bytes, const void* hostData);
void CheckError(const char* kernelName);
} // namespace CUDA

// Applies the look to a packed RGBA float frame in device memory on the stream;
// returns after the kernel has finished.
void RunCudaKernel3DLUT(void* stream, int width, int height, float mix, const zelk_vec3<float>* lut,
                        int lutSize, const float* src, float* dst);
void RunCudaKernelConvertFromPlanar(void* stream, int width, int height, int unused,
                                    const float* const src[3], float* dst);
void RunCudaKernelConvertFromPlanarAlpha(void* stream, int width, int height, int unused,
                                         const float* const src[3], float* dst, const float* alpha);
void RunCudaKernelConvertToPlanar(void* stream, int width, int height, int unused, const float* src,
                                  float* const dst[3]);
