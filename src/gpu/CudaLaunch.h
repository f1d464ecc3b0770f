#pragma once

#include <cuda_runtime_api.h>

#include "CudaKernels.h"

// How every kernel of the back-end is started: one thread per pixel in blocks of
// 64 x 1 threads over a grid of ceil(width / 64) x height blocks. Plain host code,
// so the launch sequence can be tested against a scripted runtime.
namespace CUDA {

constexpr unsigned kBlockWidth = 64;

dim3 LaunchBlock();
// A zero or negative dimension gives a zero-sized grid, which the runtime refuses
// with cudaErrorInvalidConfiguration.
dim3 LaunchGrid(int width, int height);

// Starts `kernel` (a __global__ function) with `args` in its parameter order on
// the stream, no dynamic shared memory; returns the runtime's answer.
cudaError_t LaunchPerPixel(const void* kernel, int width, int height, void** args, void* stream);

// The look launch: uploads the LUT, starts `kernel` (parameters as Process3DLUT)
// over `window`, waits for the device, logs any error under `kernelName`,
// releases the LUT. Never launches without a LUT buffer, with a LUT of more than
// kMaxCubeSize points per axis or on images the kernel cannot address.
GpuLaunchResult RunLookKernel(const void* kernel, const char* kernelName, void* stream,
                              const GpuLookWindow& window, float mix, const zelk_vec3<float>* lut,
                              int lutSize, const float* src, float* dst);

} // namespace CUDA
