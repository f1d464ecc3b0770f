#pragma once

// The OpenCL entry points, resolved from the ICD loader (libOpenCL.so.1) with
// dlopen on first use instead of linked, so that a binary using them still
// loads and runs its other paths on a machine without an OpenCL loader.

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>

namespace OpenCl {

struct Api {
    // Queues, contexts and buffers (the plug-in's launchers).
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
    // What a host needs besides: platforms, devices, its own context and queue.
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

// The loaded entry points, or null when the loader or one of its calls is
// missing. Loaded once per process; safe to call from any thread.
const Api* api();

// Why api() is null ("" while it is not).
const char* apiError();

} // namespace OpenCl
