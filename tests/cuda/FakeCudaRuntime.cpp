#include "FakeCudaRuntime.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>

namespace fakecuda {
namespace {

struct State {
    std::map<std::string, std::deque<cudaError_t>> scripted;
    std::vector<Call> calls;
    std::vector<std::string> log;
    // Device memory is host memory here, so uploads can be checked byte for byte.
    std::vector<std::unique_ptr<char[]>> memory;
    cudaError_t lastError = cudaSuccess;
    void (*launchHook)(void**) = nullptr;
};

State& state()
{
    static State s;
    return s;
}

// Records a call with its scripted result, or with `refused` where the runtime
// itself would refuse it; a failure becomes the last error.
Call& record(const char* name, cudaStream_t stream, void* ptr = nullptr, size_t bytes = 0,
             cudaError_t refused = cudaSuccess)
{
    Call call;
    call.name = name;
    call.stream = stream;
    call.ptr = ptr;
    call.bytes = bytes;
    call.result = refused;
    std::deque<cudaError_t>& queue = state().scripted[name];
    if (call.result == cudaSuccess && !queue.empty()) {
        call.result = queue.front();
        queue.pop_front();
    }
    if (call.result != cudaSuccess) {
        state().lastError = call.result;
    }
    state().calls.push_back(call);
    return state().calls.back();
}

cudaError_t allocate(const char* name, void** devPtr, size_t size, cudaStream_t stream)
{
    Call& call = record(name, stream, nullptr, size);
    if (call.result == cudaSuccess) {
        state().memory.emplace_back(new char[size + 1]);
        *devPtr = call.ptr = state().memory.back().get();
    }
    return call.result;
}

} // namespace

void script(const std::string& function, cudaError_t code)
{
    state().scripted[function].push_back(code);
}
void reset()
{
    state() = State();
}
const std::vector<Call>& calls()
{
    return state().calls;
}
const std::vector<std::string>& log()
{
    return state().log;
}
void onLaunch(void (*hook)(void** args))
{
    state().launchHook = hook;
}
std::vector<std::string> callNames()
{
    std::vector<std::string> names;
    for (const Call& c : state().calls) {
        names.push_back(c.name);
    }
    return names;
}

} // namespace fakecuda

namespace OFX {
namespace Log {
void print(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fakecuda::state().log.push_back(line);
}
} // namespace Log
} // namespace OFX

using fakecuda::record;

extern "C" {

cudaError_t CUDARTAPI cudaMallocAsync(void** devPtr, size_t size, cudaStream_t stream)
{
    return fakecuda::allocate("cudaMallocAsync", devPtr, size, stream);
}

cudaError_t CUDARTAPI cudaMalloc(void** devPtr, size_t size)
{
    return fakecuda::allocate("cudaMalloc", devPtr, size, nullptr);
}

cudaError_t CUDARTAPI cudaFreeAsync(void* devPtr, cudaStream_t stream)
{
    return record("cudaFreeAsync", stream, devPtr).result;
}

cudaError_t CUDARTAPI cudaFree(void* devPtr)
{
    return record("cudaFree", nullptr, devPtr).result;
}

cudaError_t CUDARTAPI cudaMemcpyAsync(void* dst, const void* src, size_t count, cudaMemcpyKind kind,
                                      cudaStream_t stream)
{
    fakecuda::Call& call = record("cudaMemcpyAsync", stream, dst, count);
    call.kind = kind;
    if (call.result == cudaSuccess) {
        std::memcpy(dst, src, count);
    }
    return call.result;
}

cudaError_t CUDARTAPI cudaStreamSynchronize(cudaStream_t stream)
{
    return record("cudaStreamSynchronize", stream).result;
}

cudaError_t CUDARTAPI cudaDeviceSynchronize(void)
{
    return record("cudaDeviceSynchronize", nullptr).result;
}

cudaError_t CUDARTAPI cudaGetLastError(void)
{
    const cudaError_t last = fakecuda::state().lastError;
    record("cudaGetLastError", nullptr, nullptr, 0, last);
    fakecuda::state().lastError = cudaSuccess;
    return last;
}

cudaError_t CUDARTAPI cudaLaunchKernel(const void* func, dim3 gridDim, dim3 blockDim, void** args,
                                       size_t, cudaStream_t stream)
{
    if (fakecuda::state().launchHook != nullptr) {
        fakecuda::state().launchHook(args);
    }
    // As the runtime: a grid or block with a zero dimension is refused.
    const bool empty = gridDim.x == 0 || gridDim.y == 0 || gridDim.z == 0 || blockDim.x == 0 ||
                       blockDim.y == 0 || blockDim.z == 0;
    fakecuda::Call& call = record("cudaLaunchKernel", stream, nullptr, 0,
                                  empty ? cudaErrorInvalidConfiguration : cudaSuccess);
    call.kernel = func;
    call.grid = gridDim;
    call.block = blockDim;
    return call.result;
}

} // extern "C"
