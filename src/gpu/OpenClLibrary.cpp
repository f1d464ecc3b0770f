#include "OpenClLibrary.h"

#include <climits>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

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
// from it; null (and logged) on failure. Called with s_PipelineQueueMutex held.
cl_kernel build_kernel(const OpenCl::Api& cl, cl_command_queue queue, const char* source,
                       const char* name)
{
    cl_context context = nullptr;
    cl_int error =
        cl.clGetCommandQueueInfo(queue, CL_QUEUE_CONTEXT, sizeof(context), &context, nullptr);
    if (error != CL_SUCCESS) {
        OFX::Log::print("Couldn't get opencl queue context! error = %d", error);
        return nullptr;
    }
    cl_program program = cl.clCreateProgramWithSource(context, 1, &source, nullptr, &error);
    if (error != CL_SUCCESS || !program) {
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
        OFX::Log::print("Couldn't create OpenCl kernel! error = %d", error);
        cl.clReleaseProgram(program);
        return nullptr;
    }
    // The program stays alive with its kernel for as long as the plug-in is loaded.
    return kernel;
}

cl_kernel lookup_kernel(const OpenCl::Api& cl, void* queue, const char* source, const char* name)
{
    if (!name || !source) {
        OFX::Log::print("Couldn't create OpenCl program! error = %d", CL_INVALID_VALUE);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(s_PipelineQueueMutex);
    KernelKey key(queue, name);
    const auto cached = s_kernelMap.find(key);
    if (cached != s_kernelMap.end())
        return cached->second; // the text is not part of the key
    cl_kernel kernel = build_kernel(cl, static_cast<cl_command_queue>(queue), source, name);
    if (kernel)
        s_kernelMap.emplace(std::move(key), kernel);
    return kernel;
}

cl_mem alloc_buffer(const OpenCl::Api& cl, void* queue, size_t bytes, const void* hostData)
{
    cl_context context = nullptr;
    cl_int error = cl.clGetCommandQueueInfo(static_cast<cl_command_queue>(queue), CL_QUEUE_CONTEXT,
                                            sizeof(context), &context, nullptr);
    if (error != CL_SUCCESS) {
        OFX::Log::print("Unable to get the OpenCL context! error = %d", error);
        return nullptr;
    }
    const cl_mem_flags flags =
        hostData ? CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR : CL_MEM_READ_WRITE;
    cl_mem buffer = cl.clCreateBuffer(context, flags, bytes, const_cast<void*>(hostData), &error);
    if (error != CL_SUCCESS || !buffer) {
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
// past the end of a short buffer; a render checks each one first.
bool buffer_holds(const OpenCl::Api& cl, const void* buffer, size_t bytes)
{
    if (!buffer) {
        OFX::Log::print("Missing OpenCl image buffer! error = %d", CL_INVALID_MEM_OBJECT);
        return false;
    }
    size_t size = 0;
    const cl_int error = cl.clGetMemObjectInfo(static_cast<cl_mem>(const_cast<void*>(buffer)),
                                               CL_MEM_SIZE, sizeof(size), &size, nullptr);
    if (error != CL_SUCCESS) {
        OFX::Log::print("Invalid OpenCl image buffer! error = %d", error);
        return false;
    }
    if (size < bytes) {
        OFX::Log::print("OpenCl image buffer of %lu bytes is too small for %lu! error = %d",
                        static_cast<unsigned long>(size), static_cast<unsigned long>(bytes),
                        CL_INVALID_BUFFER_SIZE);
        return false;
    }
    return true;
}

// Whether a width x height image can be launched at all: empty images do
// nothing (silently), and the kernels index pixels with 32-bit ints.
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
// Their results are not examined: OpenCL reports a bad kernel or size there and
// the render simply writes nothing.
void enqueue_kernel(const OpenCl::Api& cl, void* queue, cl_kernel kernel,
                    const std::vector<KernelArg>& args, int width, int height)
{
    const size_t global[2] = {(static_cast<size_t>(width) + 63) / 64 * 64,
                              static_cast<size_t>(height)};
    const size_t local[2] = {64, 1};
    std::lock_guard<std::mutex> lock(s_PipelineQueueMutex);
    for (cl_uint i = 0; i < args.size(); ++i)
        cl.clSetKernelArg(kernel, i, args[i].size, args[i].value);
    cl.clEnqueueNDRangeKernel(static_cast<cl_command_queue>(queue), kernel, 2, nullptr, global,
                              local, 0, nullptr, nullptr);
}

constexpr int kMaxLutSize = 1290; // N^3 still fits a 32-bit int

} // namespace

namespace OpenCl {

void* AllocBuffer(void* queue, size_t bytes, const void* hostData)
{
    const Api* cl = opencl_or_log();
    return cl ? alloc_buffer(*cl, queue, bytes, hostData) : nullptr;
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
    return cl ? lookup_kernel(*cl, queue, programSource, kernelName) : nullptr;
}

} // namespace OpenCl

void RunOpenClKernel3DLUT(void* queue, int width, int height, float mix,
                          const zelk_vec3<float>* lut, int lutSize, const float* src, float* dst)
{
    if (!launchable(width, height))
        return;
    if (!lut || lutSize < 1 || lutSize > kMaxLutSize) {
        OFX::Log::print("Invalid OpenCl LUT of size %d! error = %d", lutSize, CL_INVALID_VALUE);
        return;
    }
    const OpenCl::Api* cl = opencl_or_log();
    if (!cl)
        return;
    const size_t imageBytes = pixel_count(width, height) * 4 * sizeof(float);
    if (!buffer_holds(*cl, src, imageBytes) || !buffer_holds(*cl, dst, imageBytes))
        return;

    cl_kernel kernel = lookup_kernel(*cl, queue, OpenClPrograms::Process3DLUT, "Process3DLUT");
    const size_t entries = static_cast<size_t>(lutSize) * lutSize * lutSize;
    cl_mem lutBuffer = alloc_buffer(*cl, queue, entries * sizeof(*lut), lut);
    if (kernel && lutBuffer) {
        const void* srcHandle = src;
        const void* dstHandle = dst;
        const void* lutHandle = lutBuffer;
        enqueue_kernel(*cl, queue, kernel,
                       {mem_arg(srcHandle), mem_arg(dstHandle), mem_arg(lutHandle),
                        value_arg(width), value_arg(height), value_arg(lutSize), value_arg(mix)},
                       width, height);
    }
    // Released at once: OpenCL keeps it until the enqueued kernel is done.
    if (lutBuffer)
        free_buffer(*cl, lutBuffer);
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
        if (!buffer_holds(*launch.cl, rgba, pixels * 4 * sizeof(float)))
            return launch;
    for (int c = 0; c < 3; ++c) {
        launch.planes[c] = planes ? planes[c] : nullptr;
        if (!buffer_holds(*launch.cl, launch.planes[c], pixels * sizeof(float)))
            return launch;
    }
    launch.kernel = lookup_kernel(*launch.cl, queue, source, name);
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
