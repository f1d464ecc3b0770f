#pragma once

// What an OpenCL host calls besides the plug-in's entry points: platforms,
// devices, its own context and queue, reading results back. Resolved from the
// same loader, in a table of its own so that the plug-in never resolves them.

#include "OpenClApi.h"

namespace OpenCl {

struct HostApi : Api {
    decltype(&::clGetPlatformIDs) clGetPlatformIDs;
    decltype(&::clGetPlatformInfo) clGetPlatformInfo;
    decltype(&::clGetDeviceIDs) clGetDeviceIDs;
    decltype(&::clGetDeviceInfo) clGetDeviceInfo;
    decltype(&::clCreateContext) clCreateContext;
    decltype(&::clReleaseContext) clReleaseContext;
    decltype(&::clCreateCommandQueue) clCreateCommandQueue;
    decltype(&::clReleaseCommandQueue) clReleaseCommandQueue;
    decltype(&::clEnqueueReadBuffer) clEnqueueReadBuffer;
    decltype(&::clFinish) clFinish;
};

// As api() and apiError(), for every call of HostApi.
const HostApi* hostApi();
const char* hostApiError();

} // namespace OpenCl
