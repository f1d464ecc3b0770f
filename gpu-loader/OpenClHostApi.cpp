#include "OpenClHostApi.h"

#include "OpenClLoader.h"

namespace OpenCl {

namespace {

bool resolve_host_api(void* library, HostApi& a, std::string& e)
{
    using loader::resolve;
    bool ok = loader::resolveApi(library, a, e);
#define ZELK_RESOLVE(fn) ok = resolve(library, #fn, a.fn, e) && ok
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
    return ok;
}

const loader::Loaded<HostApi>& loaded_host_api()
{
    static const loader::Loaded<HostApi> loaded = loader::load<HostApi>(resolve_host_api);
    return loaded;
}

} // namespace

const HostApi* hostApi()
{
    return loaded_host_api().table();
}

const char* hostApiError()
{
    return loaded_host_api().error.c_str();
}

} // namespace OpenCl
