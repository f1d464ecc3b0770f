#pragma once

// A scripted stand-in for the CUDA runtime calls the helpers make, linked into a
// test binary instead of cudart. Every call is recorded; a call returns the next
// code scripted for it (success when none is), and a failing call becomes the
// runtime's last error as it does in the real runtime.
#include <cuda_runtime_api.h>

#include <string>
#include <vector>

namespace fakecuda {

struct Call {
    std::string name;
    void* ptr = nullptr; // device pointer allocated, freed or written
    size_t bytes = 0;
    cudaMemcpyKind kind = cudaMemcpyDefault;
    cudaStream_t stream = nullptr;
    cudaError_t result = cudaSuccess;
    const void* kernel = nullptr; // launches only
    dim3 grid, block;
};

// Makes the next call of `function` (e.g. "cudaMallocAsync") return `code`.
void script(const std::string& function, cudaError_t code);
// Forgets calls, scripts, the last error, the log and the launch hook; frees
// fake device memory.
void reset();
const std::vector<Call>& calls();
std::vector<std::string> callNames();
// Lines written through OFX::Log::print since the last reset.
const std::vector<std::string>& log();
// Called inside every launch with its arguments, in the kernel's parameter order.
void onLaunch(void (*hook)(void** args));

} // namespace fakecuda
