// The OpenCL path at 3840x2160 with looks of N = 33 and 65, beside the CPU path:
//  - OpenClRenderCall: the render action on device buffers (LUT upload, enqueue)
//    plus the host's wait for the queue: what a host pays per frame;
//  - OpenClRenderWithHostCopies: the same with the frame copied in and out;
//  - OpenClLauncher: RunOpenClKernel3DLUT and the wait, without the OFX layer;
//  - OpenClKernelOnly: the cached kernel on an uploaded LUT, enqueue and wait;
//  - CpuRenderCall: the render action on host memory with all host threads.
// On PoCL the "device" is this machine's CPU: those figures are CPU figures.
#include <benchmark/benchmark.h>

#include <ofxhost/Host.h>

#include "BenchSession.h"
#include "OpenClApi.h"
#include "OpenClLibrary.h"
#include "OpenClPrograms.h"

using namespace openclbench;

namespace {

void report(benchmark::State& state, int n)
{
    const double pixels = double(kWidth) * kHeight * double(state.iterations());
    state.counters["MPix/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    state.counters["N"] = n;
}

bool skip_without_device(benchmark::State& state)
{
    Session& s = Session::get();
    if (s.renderer)
        return false;
    state.SkipWithError(("no OpenCL device: " + s.error).c_str());
    return true;
}

// Device buffers of the frame and the LUT for calling the launcher and the
// kernel directly on the renderer's queue.
struct DeviceBuffers {
    cl_command_queue queue = nullptr;
    cl_mem src = nullptr, dst = nullptr, lut = nullptr;

    DeviceBuffers(const Session& s, const std::vector<zelk_vec3<float>>& lutData)
    {
        const OpenCl::Api& cl = *OpenCl::api();
        queue = static_cast<cl_command_queue>(s.renderer->queue());
        cl_context context = nullptr;
        cl.clGetCommandQueueInfo(queue, CL_QUEUE_CONTEXT, sizeof(context), &context, nullptr);
        const cl_mem_flags copy = CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR;
        const size_t frameBytes = s.source.size() * sizeof(float);
        src = cl.clCreateBuffer(context, copy, frameBytes, const_cast<float*>(s.source.data()),
                                nullptr);
        dst = cl.clCreateBuffer(context, CL_MEM_READ_WRITE, frameBytes, nullptr, nullptr);
        lut = cl.clCreateBuffer(context, copy, lutData.size() * sizeof(lutData[0]),
                                const_cast<zelk_vec3<float>*>(lutData.data()), nullptr);
    }
    ~DeviceBuffers()
    {
        const OpenCl::Api& cl = *OpenCl::api();
        for (cl_mem buffer : {src, dst, lut})
            if (buffer)
                cl.clReleaseMemObject(buffer);
    }
    bool ok() const { return src && dst && lut; }
};

void BM_OpenClRenderCall(benchmark::State& state)
{
    if (skip_without_device(state))
        return;
    Session& s = Session::get();
    const int n = int(state.range(0));
    auto instance = s.instance(n);
    s.renderer->upload(s.source.data(), s.output.data(), kWidth, kHeight);
    s.renderer->renderOnDevice(*instance, 0.0); // builds the kernel once
    for (auto _ : state)
        if (s.renderer->renderOnDevice(*instance, 0.0) != kOfxStatOK) {
            state.SkipWithError("the render action failed");
            return;
        }
    report(state, n);
    state.SetLabel(s.renderer->device().name);
}

void BM_OpenClRenderWithHostCopies(benchmark::State& state)
{
    if (skip_without_device(state))
        return;
    Session& s = Session::get();
    const int n = int(state.range(0));
    auto instance = s.instance(n);
    for (auto _ : state)
        if (s.renderer->render(*instance, 0.0, s.source.data(), s.output.data(), kWidth,
                               kHeight) != kOfxStatOK) {
            state.SkipWithError("the render action failed");
            return;
        }
    report(state, n);
}

void BM_OpenClLauncher(benchmark::State& state)
{
    if (skip_without_device(state))
        return;
    Session& s = Session::get();
    const int n = int(state.range(0));
    const auto lut = benchLut(n);
    DeviceBuffers buffers(s, lut);
    if (!buffers.ok()) {
        state.SkipWithError("could not create the device buffers");
        return;
    }
    const OpenCl::Api& cl = *OpenCl::api();
    for (auto _ : state) {
        RunOpenClKernel3DLUT(buffers.queue, kWidth, kHeight, kMix, lut.data(), n,
                             reinterpret_cast<const float*>(buffers.src),
                             reinterpret_cast<float*>(buffers.dst));
        cl.clFinish(buffers.queue);
    }
    report(state, n);
}

void BM_OpenClKernelOnly(benchmark::State& state)
{
    if (skip_without_device(state))
        return;
    Session& s = Session::get();
    const int n = int(state.range(0));
    const auto lut = benchLut(n);
    DeviceBuffers buffers(s, lut);
    auto kernel = static_cast<cl_kernel>(
        OpenCl::LookupKernel(buffers.queue, OpenClPrograms::Process3DLUT, "Process3DLUT"));
    if (!buffers.ok() || !kernel) {
        state.SkipWithError("could not set up the kernel");
        return;
    }
    const OpenCl::Api& cl = *OpenCl::api();
    const int width = kWidth, height = kHeight;
    const float mix = kMix;
    cl.clSetKernelArg(kernel, 0, sizeof(cl_mem), &buffers.src);
    cl.clSetKernelArg(kernel, 1, sizeof(cl_mem), &buffers.dst);
    cl.clSetKernelArg(kernel, 2, sizeof(cl_mem), &buffers.lut);
    cl.clSetKernelArg(kernel, 3, sizeof(int), &width);
    cl.clSetKernelArg(kernel, 4, sizeof(int), &height);
    cl.clSetKernelArg(kernel, 5, sizeof(int), &n);
    cl.clSetKernelArg(kernel, 6, sizeof(float), &mix);
    const size_t global[2] = {size_t(kWidth + 63) / 64 * 64, size_t(kHeight)};
    const size_t local[2] = {64, 1};
    for (auto _ : state) {
        if (cl.clEnqueueNDRangeKernel(buffers.queue, kernel, 2, nullptr, global, local, 0, nullptr,
                                      nullptr) != CL_SUCCESS) {
            state.SkipWithError("the enqueue failed");
            return;
        }
        cl.clFinish(buffers.queue);
    }
    report(state, n);
}

void BM_CpuRenderCall(benchmark::State& state)
{
    if (skip_without_device(state))
        return;
    Session& s = Session::get();
    const int n = int(state.range(0));
    auto instance = s.instance(n);
    ofxhost::ImageDesc image;
    image.rowBytes = kWidth * 16;
    image.bounds = OfxRectI{0, 0, kWidth, kHeight};
    image.data = s.source.data();
    instance->setClipImage("Source", image);
    image.data = s.output.data();
    instance->setClipImage("Output", image);
    for (auto _ : state)
        if (instance->render(0.0, image.bounds) != kOfxStatOK) {
            state.SkipWithError("the render action failed");
            return;
        }
    report(state, n);
    state.counters["threads"] = s.host->reportedCPUs();
}

} // namespace

BENCHMARK(BM_OpenClRenderCall)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenClRenderWithHostCopies)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenClLauncher)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenClKernelOnly)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpuRenderCall)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
