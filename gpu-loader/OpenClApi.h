#pragma once

// The OpenCL entry points the plug-in calls, resolved from the ICD loader
// (libOpenCL.so.1) with dlopen on first use instead of linked, so that a binary
// using them still loads and runs its other paths on a machine without an
// OpenCL loader. Hosts need more calls: OpenClHostApi.h.

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

namespace OpenCl {

struct Api {
    // Queues, contexts and buffers.
    decltype(&::clGetCommandQueueInfo) clGetCommandQueueInfo;
    decltype(&::clGetContextInfo) clGetContextInfo;
    decltype(&::clCreateBuffer) clCreateBuffer;
    decltype(&::clReleaseMemObject) clReleaseMemObject;
    decltype(&::clEnqueueWriteBuffer) clEnqueueWriteBuffer;
    decltype(&::clGetMemObjectInfo) clGetMemObjectInfo;
    // Programs and kernels.
    decltype(&::clCreateProgramWithSource) clCreateProgramWithSource;
    decltype(&::clBuildProgram) clBuildProgram;
    decltype(&::clGetProgramBuildInfo) clGetProgramBuildInfo;
    decltype(&::clReleaseProgram) clReleaseProgram;
    decltype(&::clCreateKernel) clCreateKernel;
    decltype(&::clSetKernelArg) clSetKernelArg;
    decltype(&::clEnqueueNDRangeKernel) clEnqueueNDRangeKernel;
};

// The loaded entry points, or null when the loader or one of its calls is
// missing. Loaded once per process; safe to call from any thread.
const Api* api();

// Why api() is null ("" while it is not).
const char* apiError();

} // namespace OpenCl
