#include "OpenClApi.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace OpenCl {
namespace {

struct LoadedApi {
    Api calls{};
    bool ok = false;
    std::string error;
};

template <typename Fn> bool resolve(void* library, const char* name, Fn& slot, std::string& error)
{
    slot = reinterpret_cast<Fn>(dlsym(library, name));
    if (!slot && error.empty())
        error = std::string("libOpenCL.so.1 lacks ") + name;
    return slot != nullptr;
}

LoadedApi load_api()
{
    LoadedApi loaded;
    // Never unloaded: kernels and buffers made through it may outlive any owner.
    void* library = dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        loaded.error = why ? why : "libOpenCL.so.1 could not be loaded";
        return loaded;
    }
    Api& a = loaded.calls;
    std::string& e = loaded.error;
    bool ok = true;
#define ZELK_RESOLVE(fn) ok = resolve(library, #fn, a.fn, e) && ok
    ZELK_RESOLVE(clGetCommandQueueInfo);
    ZELK_RESOLVE(clGetContextInfo);
    ZELK_RESOLVE(clCreateBuffer);
    ZELK_RESOLVE(clReleaseMemObject);
    ZELK_RESOLVE(clEnqueueWriteBuffer);
    ZELK_RESOLVE(clGetMemObjectInfo);
    ZELK_RESOLVE(clCreateProgramWithSource);
    ZELK_RESOLVE(clBuildProgram);
    ZELK_RESOLVE(clGetProgramBuildInfo);
    ZELK_RESOLVE(clReleaseProgram);
    ZELK_RESOLVE(clCreateKernel);
    ZELK_RESOLVE(clSetKernelArg);
    ZELK_RESOLVE(clEnqueueNDRangeKernel);
    ZELK_RESOLVE(clGetPlatformIDs);
    ZELK_RESOLVE(clGetPlatformInfo);
    ZELK_RESOLVE(clGetDeviceIDs);
    ZELK_RESOLVE(clGetDeviceInfo);
    ZELK_RESOLVE(clCreateContext);
    ZELK_RESOLVE(clReleaseContext);
    ZELK_RESOLVE(clCreateCommandQueue);
    ZELK_RESOLVE(clReleaseCommandQueue);
    ZELK_RESOLVE(clEnqueueReadBuffer);
    ZELK_RESOLVE(clFinish);
#undef ZELK_RESOLVE
    loaded.ok = ok;
    return loaded;
}

const LoadedApi& loaded_api()
{
    static const LoadedApi loaded = load_api(); // thread-safe one-time load
    return loaded;
}

} // namespace

const Api* api()
{
    const LoadedApi& loaded = loaded_api();
    return loaded.ok ? &loaded.calls : nullptr;
}

const char* apiError()
{
    return loaded_api().error.c_str();
}

} // namespace OpenCl
