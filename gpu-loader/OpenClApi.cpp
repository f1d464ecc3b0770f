#include "OpenClApi.h"

#include "OpenClLoader.h"

namespace OpenCl {

namespace loader {

bool resolveApi(void* library, Api& a, std::string& e)
{
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
#undef ZELK_RESOLVE
    return ok;
}

} // namespace loader

namespace {

const loader::Loaded<Api>& loaded_api()
{
    static const loader::Loaded<Api> loaded = loader::load<Api>(loader::resolveApi);
    return loaded;
}

} // namespace

const Api* api()
{
    return loaded_api().table();
}

const char* apiError()
{
    return loaded_api().error.c_str();
}

} // namespace OpenCl
