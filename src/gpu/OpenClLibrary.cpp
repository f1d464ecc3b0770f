#include "OpenClLibrary.h"

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "LutRules.h"
#include "OpenClApi.h"
#include "OpenClPrograms.h"
#include "ofxsLog.h"

namespace {

using KernelKey = std::pair<void*, std::string>; // (command queue, kernel name)

// Kernels built so far, one per queue and kernel name. Entries live until
// unload and are never released: the host may still have work queued on them.
std::map<KernelKey, cl_kernel> s_kernelMap;
// Guards s_kernelMap and every build, and keeps the argument setting and the
// enqueue of a shared kernel together: two renders on one queue would otherwise
// overwrite each other's arguments between those calls.
std::mutex s_PipelineQueueMutex;

// Every OpenCL entry point goes through here: without a loader on the machine
// the caller logs once and does nothing.
const OpenCl::Api* opencl_or_log()
{
    const OpenCl::Api* cl = OpenCl::api();
    if (!cl)
        OFX::Log::print("OpenCL is not available: %s", OpenCl::apiError());
    return cl;
}

constexpr size_t kBuildLogBytes = 32768;

// The text logged after a failed build: the first device's build log, or what
// kept us from reading it.
std::string build_failure_report(const OpenCl::Api& cl, cl_context context, cl_program program)
{
    size_t devicesBytes = 0;
    if (cl.clGetContextInfo(context, CL_CONTEXT_DEVICES, 0, nullptr, &devicesBytes) != CL_SUCCESS ||
        devicesBytes < sizeof(cl_device_id))
        return "Failure calling 'clGetContextInfo'.";
    std::vector<cl_device_id> devices(devicesBytes / sizeof(cl_device_id));
    if (cl.clGetContextInfo(context, CL_CONTEXT_DEVICES, devicesBytes, devices.data(), nullptr) !=
        CL_SUCCESS)
        return "Failure calling 'clGetContextInfo'.";

    cl_build_status status = CL_BUILD_NONE;
    if (cl.clGetProgramBuildInfo(program, devices[0], CL_PROGRAM_BUILD_STATUS, sizeof(status),
                                 &status, nullptr) != CL_SUCCESS)
        return "Failed to get build status.";

    std::vector<char> log(kBuildLogBytes, '\0');
    if (cl.clGetProgramBuildInfo(program, devices[0], CL_PROGRAM_BUILD_LOG, log.size(), log.data(),
                                 nullptr) != CL_SUCCESS)
        return "Failed to get build log.";
    log.back() = '\0'; // a log of exactly the buffer's size has no terminator of its own
    return std::string(log.data());
}

// Builds `source` for all devices of the queue's context and creates `name`
// from it; null (logged, and `error` set) on failure. Called with
// s_PipelineQueueMutex held.
cl_kernel build_kernel(const OpenCl::Api& cl, cl_command_queue queue, const char* source,
                       const char* name, cl_int& error)
{
    cl_context context = nullptr;
    error = cl.clGetCommandQueueInfo(queue, CL_QUEUE_CONTEXT, sizeof(context), &context, nullptr);
    if (error != CL_SUCCESS) {
        OFX::Log::print("Couldn't get opencl queue context! error = %d", error);
        return nullptr;
    }
    cl_program program = cl.clCreateProgramWithSource(context, 1, &source, nullptr, &error);
    if (error != CL_SUCCESS || !program) {
        error = error != CL_SUCCESS ? error : CL_INVALID_PROGRAM;
        OFX::Log::print("Couldn't create OpenCl program! error = %d", error);
        return nullptr;
    }
    error = cl.clBuildProgram(program, 0, nullptr, "-Werror", nullptr, nullptr);
    if (error != CL_SUCCESS) {
        OFX::Log::print("Couldn't build OpenCl program! error = %d", error);
        OFX::Log::print("%s", build_failure_report(cl, context, program).c_str());
        cl.clReleaseProgram(program);
        return nullptr;
    }
    cl_kernel kernel = cl.clCreateKernel(program, name, &error);
    if (error != CL_SUCCESS || !kernel) {
        error = error != CL_SUCCESS ? error : CL_INVALID_KERNEL;
        OFX::Log::print("Couldn't create OpenCl kernel! error = %d", error);
        cl.clReleaseProgram(program);
        return nullptr;
    }
    // The program stays alive with its kernel for as long as the plug-in is loaded.
    return kernel;
}

cl_kernel lookup_kernel(const OpenCl::Api& cl, void* queue, const char* source, const char* name,
                        cl_int& error)
{
    error = CL_SUCCESS;
    if (!name || !source) {
        error = CL_INVALID_VALUE;
        OFX::Log::print("Couldn't create OpenCl program! error = %d", error);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(s_PipelineQueueMutex);
    KernelKey key(queue, name);
    const auto cached = s_kernelMap.find(key);
    if (cached != s_kernelMap.end())
        return cached->second; // the text is not part of the key
    cl_kernel kernel = build_kernel(cl, static_cast<cl_command_queue>(queue), source, name, error);
    if (kernel)
        s_kernelMap.emplace(std::move(key), kernel);
    return kernel;
}

cl_mem alloc_buffer(const OpenCl::Api& cl, void* queue, size_t bytes, const void* hostData,
                    cl_int& error)
{
    cl_context context = nullptr;
    error = cl.clGetCommandQueueInfo(static_cast<cl_command_queue>(queue), CL_QUEUE_CONTEXT,
                                     sizeof(context), &context, nullptr);
    if (error != CL_SUCCESS) {
        OFX::Log::print("Unable to get the OpenCL context! error = %d", error);
        return nullptr;
    }
    const cl_mem_flags flags =
        hostData ? CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR : CL_MEM_READ_WRITE;
    cl_mem buffer = cl.clCreateBuffer(context, flags, bytes, const_cast<void*>(hostData), &error);
    if (error != CL_SUCCESS || !buffer) {
        error = error != CL_SUCCESS ? error : CL_MEM_OBJECT_ALLOCATION_FAILURE;
        OFX::Log::print("Couldn't allocate OpenCl device memory! error = %d", error);
        return nullptr;
    }
    OFX::Log::print("Alloc OpenCl buffSize %d, address %lu", static_cast<int>(bytes),
                    reinterpret_cast<unsigned long>(buffer));
    return buffer;
}

void free_buffer(const OpenCl::Api& cl, void* buffer)
{
    const cl_int error = cl.clReleaseMemObject(static_cast<cl_mem>(buffer));
    if (error != CL_SUCCESS)
        OFX::Log::print("Failed to release OpenCl memory object! error = %d", error);
}

// The host's image handles are taken on trust by the kernels, which would write
// past the end of a short buffer; a render checks each one first. CL_SUCCESS,
// or the error that rules the buffer out (logged).
cl_int buffer_holds(const OpenCl::Api& cl, const void* buffer, size_t bytes)
{
    if (!buffer) {
        OFX::Log::print("Missing OpenCl image buffer! error = %d", CL_INVALID_MEM_OBJECT);
        return CL_INVALID_MEM_OBJECT;
    }
    size_t size = 0;
    const cl_int error = cl.clGetMemObjectInfo(static_cast<cl_mem>(const_cast<void*>(buffer)),
                                               CL_MEM_SIZE, sizeof(size), &size, nullptr);
    if (error != CL_SUCCESS) {
        OFX::Log::print("Invalid OpenCl image buffer! error = %d", error);
        return error;
    }
    if (size < bytes) {
        OFX::Log::print("OpenCl image buffer of %lu bytes is too small for %lu! error = %d",
                        static_cast<unsigned long>(size), static_cast<unsigned long>(bytes),
                        CL_INVALID_BUFFER_SIZE);
        return CL_INVALID_BUFFER_SIZE;
    }
    return CL_SUCCESS;
}

// The same for an image whose window lies at `layout`: a buffer has no memory
// before its start, so rows must run upward from the window's first pixel.
cl_int image_fits(const OpenCl::Api& cl, const void* buffer, const GpuImageLayout& layout,
                  int width, int height)
{
    if (layout.first < 0 || layout.pitch < width) {
        OFX::Log::print("OpenCl image buffer rows must run upward, %d pixels apart at least (not "
                        "%d)! error = %d",
                        width, static_cast<int>(layout.pitch), CL_INVALID_VALUE);
        return CL_INVALID_VALUE;
    }
    const std::int64_t pixels = layout.first + std::int64_t(height - 1) * layout.pitch + width;
    return buffer_holds(cl, buffer, static_cast<size_t>(pixels) * 4 * sizeof(float));
}

// Whether a width x height image can be launched at all: empty images do
// nothing (silently), and the planar kernels index pixels with 32-bit ints (no
// frame comes near that).
bool launchable(int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    if (static_cast<long long>(width) * height > INT_MAX) {
        OFX::Log::print("OpenCl image of %d x %d pixels is too large! error = %d", width, height,
                        CL_INVALID_GLOBAL_WORK_SIZE);
        return false;
    }
    return true;
}

size_t pixel_count(int width, int height)
{
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

// One kernel argument: a buffer handle, an int or a float.
struct KernelArg {
    const void* value;
    size_t size;
};

KernelArg mem_arg(const void* const& handle)
{
    return {&handle, sizeof(cl_mem)};
}

template <typename T> KernelArg value_arg(const T& value)
{
    return {&value, sizeof(T)};
}

// Sets the arguments and enqueues one work-item per pixel in groups of 64 x 1,
// under the cache mutex so that no other render's arguments slip in between.
// CL_SUCCESS or the first error (logged): a device that cannot run groups of 64
// refuses the enqueue, and the render then writes nothing.
cl_int enqueue_kernel(const OpenCl::Api& cl, void* queue, cl_kernel kernel,
                      const std::vector<KernelArg>& args, int width, int height)
{
    const size_t global[2] = {(static_cast<size_t>(width) + 63) / 64 * 64,
                              static_cast<size_t>(height)};
    const size_t local[2] = {64, 1};
    std::lock_guard<std::mutex> lock(s_PipelineQueueMutex);
    for (cl_uint i = 0; i < args.size(); ++i) {
        const cl_int error = cl.clSetKernelArg(kernel, i, args[i].size, args[i].value);
        if (error != CL_SUCCESS) {
            OFX::Log::print("Couldn't set OpenCl kernel argument %u! error = %d", i, error);
            return error;
        }
    }
    const cl_int error = cl.clEnqueueNDRangeKernel(static_cast<cl_command_queue>(queue), kernel, 2,
                                                   nullptr, global, local, 0, nullptr, nullptr);
    if (error != CL_SUCCESS)
        OFX::Log::print("Couldn't enqueue OpenCl kernel! error = %d", error);
    return error;
}

} // namespace

namespace OpenCl {

void* AllocBuffer(void* queue, size_t bytes, const void* hostData)
{
    const Api* cl = opencl_or_log();
    cl_int error = CL_SUCCESS;
    return cl ? alloc_buffer(*cl, queue, bytes, hostData, error) : nullptr;
}

void FreeBuffer(void* buffer)
{
    if (const Api* cl = opencl_or_log())
        free_buffer(*cl, buffer);
}

void WriteBuffer(void* queue, void* buffer, size_t bytes, const void* hostData)
{
    const Api* cl = opencl_or_log();
    if (!cl)
        return;
    const cl_int error =
        cl->clEnqueueWriteBuffer(static_cast<cl_command_queue>(queue), static_cast<cl_mem>(buffer),
                                 CL_FALSE, 0, bytes, hostData, 0, nullptr, nullptr);
    if (error != CL_SUCCESS)
        OFX::Log::print("Failed to enqueue OpenCl buffer write! error = %d", error);
}

void* LookupKernel(void* queue, const char* programSource, const char* kernelName)
{
    const Api* cl = opencl_or_log();
    cl_int error = CL_SUCCESS;
    return cl ? lookup_kernel(*cl, queue, programSource, kernelName, error) : nullptr;
}

} // namespace OpenCl

GpuLaunchResult RunOpenClKernel3DLUT(void* queue, const GpuLookWindow& window, float mix,
                                     const zelk_vec3<float>* lut, int lutSize, const float* src,
                                     float* dst)
{
    const int width = window.width, height = window.height;
    if (width <= 0 || height <= 0)
        return {};
    if (!launchable(width, height))
        return {"sizing the launch", CL_INVALID_GLOBAL_WORK_SIZE};
    if (!lut || lutSize < 1 || lutSize > zelk::lut::kMaxCubeSize) {
        OFX::Log::print("Invalid OpenCl LUT of size %d! error = %d", lutSize, CL_INVALID_VALUE);
        return {"checking the LUT", CL_INVALID_VALUE};
    }
    const OpenCl::Api* cl = opencl_or_log();
    if (!cl)
        return {"loading the OpenCL library", CL_SUCCESS};
    cl_int error = image_fits(*cl, src, window.src, width, height);
    if (error == CL_SUCCESS)
        error = image_fits(*cl, dst, window.dst, width, height);
    if (error != CL_SUCCESS)
        return {"checking the image buffers", error};

    cl_kernel kernel =
        lookup_kernel(*cl, queue, OpenClPrograms::Process3DLUT, "Process3DLUT", error);
    if (!kernel)
        return {"building the look kernel", error};
    const size_t entries = static_cast<size_t>(lutSize) * lutSize * lutSize;
    cl_mem lutBuffer = alloc_buffer(*cl, queue, entries * sizeof(*lut), lut, error);
    if (!lutBuffer)
        return {"uploading the LUT", error};
    const void* srcHandle = src;
    const void* dstHandle = dst;
    const void* lutHandle = lutBuffer;
    const cl_long srcFirst = window.src.first, dstFirst = window.dst.first;
    const cl_int srcPitch = window.src.pitch, dstPitch = window.dst.pitch;
    error = enqueue_kernel(*cl, queue, kernel,
                           {mem_arg(srcHandle), mem_arg(dstHandle), mem_arg(lutHandle),
                            value_arg(width), value_arg(height), value_arg(lutSize), value_arg(mix),
                            value_arg(srcFirst), value_arg(srcPitch), value_arg(dstFirst),
                            value_arg(dstPitch)},
                           width, height);
    // Released at once: OpenCL keeps it until the enqueued kernel is done.
    free_buffer(*cl, lutBuffer);
    if (error != CL_SUCCESS)
        return {"starting the look kernel", error};
    return {};
}

GpuLaunchResult RunOpenClKernel3DLUT(void* queue, int width, int height, float mix,
                                     const zelk_vec3<float>* lut, int lutSize, const float* src,
                                     float* dst)
{
    return RunOpenClKernel3DLUT(queue, GpuLookWindow::packed(width, height), mix, lut, lutSize, src,
                                dst);
}

namespace {

// What a planar launcher enqueues: no kernel where the size, the API, a buffer
// or the build ruled the launch out (each logs why, an empty image silently).
struct PlanarLaunch {
    const OpenCl::Api* cl = nullptr;
    cl_kernel kernel = nullptr;
    const void* planes[3] = {nullptr, nullptr, nullptr};
};

// Shared set-up of the planar launchers: the API, the checks of the RGBA
// buffers and of the three planes, then the kernel.
template <typename Plane>
PlanarLaunch planar_launch(void* queue, const char* source, const char* name, int width, int height,
                           std::initializer_list<const void*> rgbaBuffers, Plane* const* planes)
{
    PlanarLaunch launch;
    if (!launchable(width, height))
        return launch;
    launch.cl = opencl_or_log();
    if (!launch.cl)
        return launch;
    const size_t pixels = pixel_count(width, height);
    for (const void* rgba : rgbaBuffers)
        if (buffer_holds(*launch.cl, rgba, pixels * 4 * sizeof(float)) != CL_SUCCESS)
            return launch;
    for (int c = 0; c < 3; ++c) {
        launch.planes[c] = planes ? planes[c] : nullptr;
        if (buffer_holds(*launch.cl, launch.planes[c], pixels * sizeof(float)) != CL_SUCCESS)
            return launch;
    }
    cl_int error = CL_SUCCESS;
    launch.kernel = lookup_kernel(*launch.cl, queue, source, name, error);
    return launch;
}

} // namespace

void RunOpenClKernelConvertFromPlanar(void* queue, int width, int height, int /*unused*/,
                                      const float* const src[3], float* dst)
{
    const PlanarLaunch run = planar_launch(queue, OpenClPrograms::ProcessConvertFromPlanar,
                                           "ProcessConvertFromPlanar", width, height, {dst}, src);
    if (!run.kernel)
        return;
    const void* dstHandle = dst;
    enqueue_kernel(*run.cl, queue, run.kernel,
                   {mem_arg(run.planes[0]), mem_arg(run.planes[1]), mem_arg(run.planes[2]),
                    mem_arg(dstHandle), value_arg(width), value_arg(height)},
                   width, height);
}

void RunOpenClKernelConvertFromPlanarAlpha(void* queue, int width, int height, int /*unused*/,
                                           const float* const src[3], float* dst,
                                           const float* alpha)
{
    const PlanarLaunch run =
        planar_launch(queue, OpenClPrograms::ProcessConvertFromPlanarAlpha,
                      "ProcessConvertFromPlanarAlpha", width, height, {alpha, dst}, src);
    if (!run.kernel)
        return;
    const void* dstHandle = dst;
    const void* alphaHandle = alpha;
    enqueue_kernel(*run.cl, queue, run.kernel,
                   {mem_arg(run.planes[0]), mem_arg(run.planes[1]), mem_arg(run.planes[2]),
                    mem_arg(dstHandle), mem_arg(alphaHandle), value_arg(width), value_arg(height)},
                   width, height);
}

void RunOpenClKernelConvertToPlanar(void* queue, int width, int height, int /*unused*/,
                                    const float* src, float* const dst[3])
{
    const PlanarLaunch run = planar_launch(queue, OpenClPrograms::ProcessConvertToPlanar,
                                           "ProcessConvertToPlanar", width, height, {src}, dst);
    if (!run.kernel)
        return;
    const void* srcHandle = src;
    enqueue_kernel(*run.cl, queue, run.kernel,
                   {mem_arg(srcHandle), mem_arg(run.planes[0]), mem_arg(run.planes[1]),
                    mem_arg(run.planes[2]), value_arg(width), value_arg(height)},
                   width, height);
}
