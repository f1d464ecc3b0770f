#include "FakeCudaRuntime.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <set>

namespace fakecuda {
namespace {

struct State {
    std::map<std::string, std::deque<cudaError_t>> scripted;
    std::vector<Call> calls;
    std::vector<std::string> log;
    std::set<void*> allocations;
    cudaError_t lastError = cudaSuccess;
    void (*launchHook)(const Call&) = nullptr;
};

State& state()
{
    static State s;
    return s;
}

cudaError_t next_result(const std::string& function)
{
    auto it = state().scripted.find(function);
    if (it == state().scripted.end() || it->second.empty()) {
        return cudaSuccess;
    }
    const cudaError_t code = it->second.front();
    it->second.pop_front();
    return code;
}

cudaError_t record(Call call)
{
    if (call.result != cudaSuccess) {
        state().lastError = call.result;
    }
    state().calls.push_back(call);
    return call.result;
}

// Device memory is host memory here, so uploads can be checked byte for byte.
cudaError_t allocate(const char* name, void** devPtr, size_t size, cudaStream_t stream)
{
    Call call;
    call.name = name;
    call.bytes = size;
    call.stream = stream;
    call.result = next_result(name);
    if (call.result == cudaSuccess) {
        *devPtr = std::malloc(size == 0 ? 1 : size);
        state().allocations.insert(*devPtr);
        call.ptr = *devPtr;
    }
    return record(call);
}

cudaError_t release(const char* name, void* devPtr, cudaStream_t stream)
{
    Call call;
    call.name = name;
    call.ptr = devPtr;
    call.stream = stream;
    call.result = next_result(name);
    if (call.result == cudaSuccess && state().allocations.erase(devPtr) == 1) {
        std::free(devPtr);
    }
    return record(call);
}

} // namespace

void script(const std::string& function, cudaError_t code, int times)
{
    for (int i = 0; i < times; ++i) {
        state().scripted[function].push_back(code);
    }
}

void reset()
{
    for (void* p : state().allocations) {
        std::free(p);
    }
    state() = State();
}

const std::vector<Call>& calls() { return state().calls; }

std::vector<std::string> callNames()
{
    std::vector<std::string> names;
    for (const Call& c : state().calls) {
        names.push_back(c.name);
    }
    return names;
}

const std::vector<std::string>& log() { return state().log; }

void onLaunch(void (*hook)(const Call& launch)) { state().launchHook = hook; }

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

using fakecuda::Call;

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
    return fakecuda::release("cudaFreeAsync", devPtr, stream);
}

cudaError_t CUDARTAPI cudaFree(void* devPtr) { return fakecuda::release("cudaFree", devPtr, nullptr); }

cudaError_t CUDARTAPI cudaMemcpyAsync(void* dst, const void* src, size_t count, cudaMemcpyKind kind,
                                      cudaStream_t stream)
{
    Call call;
    call.name = "cudaMemcpyAsync";
    call.ptr = dst;
    call.host = src;
    call.bytes = count;
    call.kind = kind;
    call.stream = stream;
    call.result = fakecuda::next_result(call.name);
    if (call.result == cudaSuccess && dst != nullptr && src != nullptr) {
        std::memcpy(dst, src, count);
    }
    return fakecuda::record(call);
}

cudaError_t CUDARTAPI cudaStreamSynchronize(cudaStream_t stream)
{
    Call call;
    call.name = "cudaStreamSynchronize";
    call.stream = stream;
    call.result = fakecuda::next_result(call.name);
    return fakecuda::record(call);
}

cudaError_t CUDARTAPI cudaDeviceSynchronize(void)
{
    Call call;
    call.name = "cudaDeviceSynchronize";
    call.result = fakecuda::next_result(call.name);
    return fakecuda::record(call);
}

cudaError_t CUDARTAPI cudaGetLastError(void)
{
    Call call;
    call.name = "cudaGetLastError";
    call.result = fakecuda::state().lastError;
    fakecuda::state().lastError = cudaSuccess;
    fakecuda::state().calls.push_back(call);
    return call.result;
}

cudaError_t CUDARTAPI cudaLaunchKernel(const void* func, dim3 gridDim, dim3 blockDim, void** args,
                                       size_t sharedMem, cudaStream_t stream)
{
    Call call;
    call.name = "cudaLaunchKernel";
    call.kernel = func;
    call.grid = gridDim;
    call.block = blockDim;
    call.args = args;
    call.sharedMem = sharedMem;
    call.stream = stream;
    // As the runtime: a grid or block with a zero dimension is refused.
    const bool empty = gridDim.x == 0 || gridDim.y == 0 || gridDim.z == 0 || blockDim.x == 0 ||
                       blockDim.y == 0 || blockDim.z == 0;
    call.result = empty ? cudaErrorInvalidConfiguration : fakecuda::next_result(call.name);
    if (fakecuda::state().launchHook != nullptr) {
        fakecuda::state().launchHook(call);
    }
    call.args = nullptr;
    return fakecuda::record(call);
}

} // extern "C"
