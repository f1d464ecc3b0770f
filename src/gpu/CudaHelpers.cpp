// The CUDA helpers are plain host code on the runtime API: they never throw,
// every failure is logged with the runtime's numeric code and processing goes on.
#include "CudaKernels.h"

#include <cuda_runtime_api.h>

#include "ofxsLog.h"

namespace {

cudaStream_t as_stream(void* stream)
{
    return static_cast<cudaStream_t>(stream);
}

void sync_stream(cudaStream_t stream)
{
    const cudaError_t err = cudaStreamSynchronize(stream);
    if (err != cudaSuccess) {
        OFX::Log::print("Failed to sync CUDA stream! error = %d", static_cast<int>(err));
    }
}

void copy_to_device(cudaStream_t stream, void* devicePtr, size_t bytes, const void* hostData)
{
    const cudaError_t err =
        cudaMemcpyAsync(devicePtr, hostData, bytes, cudaMemcpyHostToDevice, stream);
    if (err != cudaSuccess) {
        OFX::Log::print("Failed to copy from host to CUDA memory! error = %d",
                        static_cast<int>(err));
    }
}

} // namespace

namespace CUDA {

void* AllocBuffer(void* stream, size_t bytes, const void* hostData)
{
    void* devicePtr = nullptr;
    cudaError_t err = cudaMallocAsync(&devicePtr, bytes, as_stream(stream));
    if (err == cudaErrorNotSupported) {
        // No stream-ordered allocator on this device. The refusal is no failure:
        // it must not surface as the next kernel's error.
        (void)cudaGetLastError();
        err = cudaMalloc(&devicePtr, bytes);
    }
    if (err != cudaSuccess) {
        OFX::Log::print("Failed to allocate CUDA memory! error = %d", static_cast<int>(err));
        return nullptr;
    }
    if (hostData == nullptr) {
        return devicePtr;
    }
    copy_to_device(as_stream(stream), devicePtr, bytes, hostData);
    // The caller may release its host copy as soon as we return.
    sync_stream(as_stream(stream));
    return devicePtr;
}

void FreeBuffer(void* stream, void* devicePtr)
{
    cudaError_t err = cudaFreeAsync(devicePtr, as_stream(stream));
    if (err == cudaErrorNotSupported) {
        (void)cudaGetLastError(); // as in AllocBuffer
        // The synchronous release must not free memory that queued work still uses.
        sync_stream(as_stream(stream));
        err = cudaFree(devicePtr);
    }
    if (err != cudaSuccess) {
        OFX::Log::print("Failed to release CUDA memory object! error = %d", static_cast<int>(err));
    }
}

void WriteBuffer(void* stream, void* devicePtr, size_t bytes, const void* hostData)
{
    copy_to_device(as_stream(stream), devicePtr, bytes, hostData);
    sync_stream(as_stream(stream));
}

int CheckError(const char* kernelName)
{
    // Waits for the whole device; its own result shows up in cudaGetLastError.
    (void)cudaDeviceSynchronize();
    const cudaError_t err = cudaGetLastError();
    if (err != cudaSuccess) {
        OFX::Log::print("Failed to run %s kernel! error = %d", kernelName, static_cast<int>(err));
    }
    return static_cast<int>(err);
}

} // namespace CUDA
