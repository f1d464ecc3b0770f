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
#include "OpenClHostApi.h"
#include "OpenClLibrary.h"
#include "OpenClPrograms.h"

using namespace openclbench;

namespace {

// Pixel rate of the benchmark's frame and the look's N, the benchmark's argument.
void report(benchmark::State& state)
{
    const double pixels = double(kWidth) * kHeight * double(state.iterations());
    state.counters["MPix/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    state.counters["N"] = double(state.range(0));
}

// The session, or null once the benchmark is marked skipped for want of a device.
Session* session_or_skip(benchmark::State& state)
{
    Session& s = Session::get();
    if (s.renderer)
        return &s;
    state.SkipWithError(("no OpenCL device: " + s.error).c_str());
    return nullptr;
}

// Runs `render` once per iteration; false (and skipped) as soon as one fails.
template <typename Render> bool time_renders(benchmark::State& state, Render render)
{
    for (auto _ : state)
        if (render() != kOfxStatOK) {
            state.SkipWithError("the render action failed");
            return false;
        }
    return true;
}

// The look "bench<n>" and device buffers of the frame and its LUT, for calling
// the launcher and the kernel directly on the renderer's queue.
struct DeviceBuffers {
    std::vector<zelk_vec3<float>> lutData;
    cl_command_queue queue = nullptr;
    cl_mem src = nullptr, dst = nullptr, lut = nullptr;

    DeviceBuffers(const Session& s, int n) : lutData(benchLut(n))
    {
        const OpenCl::HostApi& cl = *OpenCl::hostApi();
        queue = static_cast<cl_command_queue>(s.renderer->queue());
        cl_context context = nullptr;
        cl.clGetCommandQueueInfo(queue, CL_QUEUE_CONTEXT, sizeof(context), &context, nullptr);
        const cl_mem_flags copy = CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR;
        const size_t frameBytes = s.source.size() * sizeof(float);
        src = cl.clCreateBuffer(context, copy, frameBytes, const_cast<float*>(s.source.data()),
                                nullptr);
        dst = cl.clCreateBuffer(context, CL_MEM_READ_WRITE, frameBytes, nullptr, nullptr);
        lut = cl.clCreateBuffer(context, copy, lutData.size() * sizeof(lutData[0]), lutData.data(),
                                nullptr);
    }
    ~DeviceBuffers()
    {
        const OpenCl::HostApi& cl = *OpenCl::hostApi();
        for (cl_mem buffer : {src, dst, lut})
            if (buffer)
                cl.clReleaseMemObject(buffer);
    }
    bool ok() const { return src && dst && lut; }
};

void BM_OpenClRenderCall(benchmark::State& state)
{
    Session* s = session_or_skip(state);
    if (!s)
        return;
    auto instance = s->instance(int(state.range(0)));
    s->renderer->upload(s->source.data(), s->output.data(), kWidth, kHeight);
    s->renderer->renderOnDevice(*instance, 0.0); // builds the kernel once
    if (!time_renders(state, [&] { return s->renderer->renderOnDevice(*instance, 0.0); }))
        return;
    report(state);
    state.SetLabel(s->renderer->device().name);
}

void BM_OpenClRenderWithHostCopies(benchmark::State& state)
{
    Session* s = session_or_skip(state);
    if (!s)
        return;
    auto instance = s->instance(int(state.range(0)));
    if (time_renders(state, [&] {
            return s->renderer->render(*instance, 0.0, s->source.data(), s->output.data(), kWidth,
                                       kHeight);
        }))
        report(state);
}

void BM_OpenClLauncher(benchmark::State& state)
{
    Session* s = session_or_skip(state);
    if (!s)
        return;
    const int n = int(state.range(0));
    DeviceBuffers buffers(*s, n);
    if (!buffers.ok()) {
        state.SkipWithError("could not create the device buffers");
        return;
    }
    const OpenCl::HostApi& cl = *OpenCl::hostApi();
    for (auto _ : state) {
        RunOpenClKernel3DLUT(buffers.queue, kWidth, kHeight, kMix, buffers.lutData.data(), n,
                             reinterpret_cast<const float*>(buffers.src),
                             reinterpret_cast<float*>(buffers.dst));
        cl.clFinish(buffers.queue);
    }
    report(state);
}

void BM_OpenClKernelOnly(benchmark::State& state)
{
    Session* s = session_or_skip(state);
    if (!s)
        return;
    const int n = int(state.range(0));
    DeviceBuffers buffers(*s, n);
    auto kernel = static_cast<cl_kernel>(
        OpenCl::LookupKernel(buffers.queue, OpenClPrograms::Process3DLUT, "Process3DLUT"));
    if (!buffers.ok() || !kernel) {
        state.SkipWithError("could not set up the kernel");
        return;
    }
    const OpenCl::HostApi& cl = *OpenCl::hostApi();
    const int width = kWidth, height = kHeight;
    const float mix = kMix;
    cl.clSetKernelArg(kernel, 0, sizeof(cl_mem), &buffers.src);
    cl.clSetKernelArg(kernel, 1, sizeof(cl_mem), &buffers.dst);
    cl.clSetKernelArg(kernel, 2, sizeof(cl_mem), &buffers.lut);
    cl.clSetKernelArg(kernel, 3, sizeof(int), &width);
    cl.clSetKernelArg(kernel, 4, sizeof(int), &height);
    cl.clSetKernelArg(kernel, 5, sizeof(int), &n);
    cl.clSetKernelArg(kernel, 6, sizeof(float), &mix);
    // Whole packed images: each window starts at its image's first pixel.
    const cl_long first = 0;
    cl.clSetKernelArg(kernel, 7, sizeof(cl_long), &first);
    cl.clSetKernelArg(kernel, 8, sizeof(int), &width);
    cl.clSetKernelArg(kernel, 9, sizeof(cl_long), &first);
    cl.clSetKernelArg(kernel, 10, sizeof(int), &width);
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
    report(state);
}

void BM_CpuRenderCall(benchmark::State& state)
{
    Session* s = session_or_skip(state);
    if (!s)
        return;
    auto instance = s->instance(int(state.range(0)));
    ofxhost::ImageDesc image;
    image.rowBytes = kWidth * 16;
    image.bounds = OfxRectI{0, 0, kWidth, kHeight};
    image.data = s->source.data();
    instance->setClipImage("Source", image);
    image.data = s->output.data();
    instance->setClipImage("Output", image);
    if (!time_renders(state, [&] { return instance->render(0.0, image.bounds); }))
        return;
    report(state);
    state.counters["threads"] = s->host->reportedCPUs();
}

} // namespace

BENCHMARK(BM_OpenClRenderCall)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenClRenderWithHostCopies)
    ->Arg(33)
    ->Arg(65)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OpenClLauncher)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenClKernelOnly)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpuRenderCall)->Arg(33)->Arg(65)->Unit(benchmark::kMillisecond)->UseRealTime();
