#pragma once

#include <cstddef>

#include "GpuLook.h"
#include "ZelkVec3.h"

// OpenCL helpers: they never throw for an OpenCL failure; failures are logged
// ("... error = %d") and functions that create something return null. Queues,
// buffers and kernels cross this interface as untyped handles.
namespace OpenCl {
void* AllocBuffer(void* queue, size_t bytes, const void* hostData);
void FreeBuffer(void* buffer);
void WriteBuffer(void* queue, void* buffer, size_t bytes, const void* hostData);
void* LookupKernel(void* queue, const char* programSource, const char* kernelName);
} // namespace OpenCl

// Enqueues the look over `window` on the host's command queue; returns once it
// is enqueued, or says why it was not. `src` and `dst` are buffer handles whose
// rows must run upward (a positive pitch). Never enqueued with a LUT of more
// than kMaxCubeSize points per axis or over a buffer too small for its layout.
GpuLaunchResult RunOpenClKernel3DLUT(void* queue, const GpuLookWindow& window, float mix,
                                     const zelk_vec3<float>* lut, int lutSize, const float* src,
                                     float* dst);
// The same over whole width x height images with packed rows.
GpuLaunchResult RunOpenClKernel3DLUT(void* queue, int width, int height, float mix,
                                     const zelk_vec3<float>* lut, int lutSize, const float* src,
                                     float* dst);
void RunOpenClKernelConvertFromPlanar(void* queue, int width, int height, int unused,
                                      const float* const src[3], float* dst);
void RunOpenClKernelConvertFromPlanarAlpha(void* queue, int width, int height, int unused,
                                           const float* const src[3], float* dst,
                                           const float* alpha);
void RunOpenClKernelConvertToPlanar(void* queue, int width, int height, int unused,
                                    const float* src, float* const dst[3]);
