#include "OpenClRender.h"

#include <ofxhost/Error.h>

#include <mutex>

#include "ImageSpan.h"
#include "OpenClHostApi.h"

namespace ofxhost {

namespace {

std::mutex g_queueMutex; // guards m_extraQueues of every renderer

const OpenCl::HostApi& api_or_throw()
{
    const OpenCl::HostApi* cl = OpenCl::hostApi();
    if (!cl) {
        throw Error(std::string("no OpenCL: ") + OpenCl::hostApiError());
    }
    return *cl;
}

void check(cl_int error, const char* what)
{
    if (error != CL_SUCCESS) {
        throw Error(std::string("OpenCL render: ") + what + " failed (error " +
                    std::to_string(error) + ")");
    }
}

size_t frame_bytes(int width, int height)
{
    return size_t(width) * size_t(height) * 4 * sizeof(float);
}

std::string platform_name(const OpenCl::HostApi& cl, cl_platform_id platform)
{
    char name[256] = {};
    cl.clGetPlatformInfo(platform, CL_PLATFORM_NAME, sizeof(name) - 1, name, nullptr);
    return name;
}

struct FoundDevice {
    OpenClDeviceInfo info;
    cl_device_id id = nullptr;
};

std::vector<FoundDevice> find_devices(const OpenCl::HostApi& cl)
{
    std::vector<FoundDevice> found;
    cl_uint platformCount = 0;
    if (cl.clGetPlatformIDs(0, nullptr, &platformCount) != CL_SUCCESS || platformCount == 0) {
        return found;
    }
    std::vector<cl_platform_id> platforms(platformCount);
    check(cl.clGetPlatformIDs(platformCount, platforms.data(), nullptr), "listing platforms");
    for (cl_platform_id platform : platforms) {
        cl_uint deviceCount = 0;
        if (cl.clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 0, nullptr, &deviceCount) !=
                CL_SUCCESS ||
            deviceCount == 0) {
            continue; // a platform without devices is no error
        }
        std::vector<cl_device_id> devices(deviceCount);
        check(cl.clGetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, deviceCount, devices.data(), nullptr),
              "listing devices");
        for (cl_device_id id : devices) {
            FoundDevice device;
            device.id = id;
            device.info.index = int(found.size());
            device.info.platform = platform_name(cl, platform);
            char name[256] = {};
            cl.clGetDeviceInfo(id, CL_DEVICE_NAME, sizeof(name) - 1, name, nullptr);
            device.info.name = name;
            cl_device_type type = 0;
            cl.clGetDeviceInfo(id, CL_DEVICE_TYPE, sizeof(type), &type, nullptr);
            device.info.gpu = (type & CL_DEVICE_TYPE_GPU) != 0;
            found.push_back(device);
        }
    }
    return found;
}

const FoundDevice& choose_device(const std::vector<FoundDevice>& devices, int index)
{
    if (index == OpenClRenderer::kDefaultDevice) {
        for (const FoundDevice& device : devices) {
            if (device.info.gpu) {
                return device;
            }
        }
        return devices.front();
    }
    if (index < 0 || index >= int(devices.size())) {
        throw Error("no OpenCL device " + std::to_string(index) + ": this machine has " +
                    std::to_string(devices.size()));
    }
    return devices[size_t(index)];
}

} // namespace

struct OpenClRenderer::Frame {
    cl_mem src = nullptr;
    cl_mem dst = nullptr;
    int width = 0;
    int height = 0;

    Frame() = default;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame() { release(); }

    void release()
    {
        const OpenCl::HostApi* cl = OpenCl::hostApi();
        if (cl && src) {
            cl->clReleaseMemObject(src);
        }
        if (cl && dst) {
            cl->clReleaseMemObject(dst);
        }
        src = dst = nullptr;
        width = height = 0;
    }

    void reserve(cl_context context, int w, int h)
    {
        if (w <= 0 || h <= 0) {
            throw Error("OpenCL render: empty frame " + std::to_string(w) + "x" +
                        std::to_string(h));
        }
        if (src && w == width && h == height) {
            return;
        }
        release();
        const OpenCl::HostApi& cl = api_or_throw();
        cl_int error = CL_SUCCESS;
        src = cl.clCreateBuffer(context, CL_MEM_READ_WRITE, frame_bytes(w, h), nullptr, &error);
        check(error, "creating the source buffer");
        dst = cl.clCreateBuffer(context, CL_MEM_READ_WRITE, frame_bytes(w, h), nullptr, &error);
        check(error, "creating the output buffer");
        width = w;
        height = h;
    }

    void upload(cl_command_queue queue, const float* source, const float* output)
    {
        const OpenCl::HostApi& cl = api_or_throw();
        const size_t bytes = frame_bytes(width, height);
        check(cl.clEnqueueWriteBuffer(queue, src, CL_TRUE, 0, bytes, source, 0, nullptr, nullptr),
              "uploading the source");
        check(cl.clEnqueueWriteBuffer(queue, dst, CL_TRUE, 0, bytes, output, 0, nullptr, nullptr),
              "uploading the output");
    }

    void download(cl_command_queue queue, float* output) const
    {
        check(api_or_throw().clEnqueueReadBuffer(queue, dst, CL_TRUE, 0, frame_bytes(width, height),
                                                 output, 0, nullptr, nullptr),
              "reading the output back");
    }
};

namespace {

// A buffer holding a copy of the bytes an image spans in host memory, for one render.
class ImageBuffer {
public:
    ImageBuffer(cl_context context, cl_command_queue queue, const ImageDesc& image) : m_queue(queue)
    {
        const ImageSpan span = floatRgbaSpan(image, "OpenCL");
        m_start = static_cast<char*>(image.data) - span.dataOffset;
        m_bytes = span.bytes;
        const OpenCl::HostApi& cl = api_or_throw();
        cl_int error = CL_SUCCESS;
        m_buffer = cl.clCreateBuffer(context, CL_MEM_READ_WRITE, m_bytes, nullptr, &error);
        check(error, "creating an image buffer");
        const cl_int uploaded = cl.clEnqueueWriteBuffer(queue, m_buffer, CL_TRUE, 0, m_bytes,
                                                        m_start, 0, nullptr, nullptr);
        if (uploaded != CL_SUCCESS) {
            cl.clReleaseMemObject(m_buffer);
            check(uploaded, "uploading an image");
        }
        m_desc = image;
        m_desc.data = m_buffer;
    }
    ~ImageBuffer() { OpenCl::hostApi()->clReleaseMemObject(m_buffer); }
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    // The image as the plug-in gets it: the buffer in place of the memory.
    const ImageDesc& desc() const { return m_desc; }
    void download() const
    {
        check(api_or_throw().clEnqueueReadBuffer(m_queue, m_buffer, CL_TRUE, 0, m_bytes, m_start, 0,
                                                 nullptr, nullptr),
              "reading an image back");
    }

private:
    cl_command_queue m_queue;
    cl_mem m_buffer = nullptr;
    char* m_start = nullptr;
    size_t m_bytes = 0;
    ImageDesc m_desc;
};

} // namespace

std::vector<OpenClDeviceInfo> openClDevices(std::string* reason)
{
    std::vector<OpenClDeviceInfo> infos;
    const OpenCl::HostApi* cl = OpenCl::hostApi();
    if (!cl) {
        if (reason) {
            *reason = std::string("no OpenCL: ") + OpenCl::hostApiError();
        }
        return infos;
    }
    for (const FoundDevice& device : find_devices(*cl)) {
        infos.push_back(device.info);
    }
    if (infos.empty() && reason) {
        *reason = "no OpenCL device: no platform offers one";
    }
    return infos;
}

bool openClDeviceAvailable(std::string* reason)
{
    return !openClDevices(reason).empty();
}

OpenClRenderer::OpenClRenderer(int device) : m_frame(std::make_unique<Frame>())
{
    const OpenCl::HostApi& cl = api_or_throw();
    const std::vector<FoundDevice> devices = find_devices(cl);
    if (devices.empty()) {
        throw Error("no OpenCL device: no platform offers one");
    }
    const FoundDevice& chosen = choose_device(devices, device);
    m_device = chosen.info;
    cl_int error = CL_SUCCESS;
    cl_context context = cl.clCreateContext(nullptr, 1, &chosen.id, nullptr, nullptr, &error);
    check(error, "creating a context");
    m_context = context;
    cl_command_queue queue = cl.clCreateCommandQueue(context, chosen.id, 0, &error);
    if (error != CL_SUCCESS) {
        cl.clReleaseContext(context);
        check(error, "creating a command queue");
    }
    m_queue = queue;
}

OpenClRenderer::~OpenClRenderer()
{
    const OpenCl::HostApi* cl = OpenCl::hostApi();
    m_frame.reset();
    for (void* queue : m_extraQueues) {
        cl->clReleaseCommandQueue(static_cast<cl_command_queue>(queue));
    }
    cl->clReleaseCommandQueue(static_cast<cl_command_queue>(m_queue));
    cl->clReleaseContext(static_cast<cl_context>(m_context));
}

void* OpenClRenderer::createQueue()
{
    const OpenCl::HostApi& cl = api_or_throw();
    cl_device_id device = nullptr;
    check(cl.clGetCommandQueueInfo(static_cast<cl_command_queue>(m_queue), CL_QUEUE_DEVICE,
                                   sizeof(device), &device, nullptr),
          "reading the queue's device");
    cl_int error = CL_SUCCESS;
    cl_command_queue queue =
        cl.clCreateCommandQueue(static_cast<cl_context>(m_context), device, 0, &error);
    check(error, "creating a command queue");
    std::lock_guard<std::mutex> lock(g_queueMutex);
    m_extraQueues.push_back(queue);
    return queue;
}

OfxStatus OpenClRenderer::render(Instance& instance, double time, const float* source,
                                 float* output, int width, int height, void* queue)
{
    if (width <= 0 || height <= 0) {
        throw Error("OpenCL render: empty frame " + std::to_string(width) + "x" +
                    std::to_string(height));
    }
    ImageDesc src;
    src.data = const_cast<float*>(source);
    src.rowBytes = width * 4 * int(sizeof(float));
    src.bounds = OfxRectI{0, 0, width, height};
    ImageDesc dst = src;
    dst.data = output;
    return renderImages(instance, time, src, dst, src.bounds, queue);
}

OfxStatus OpenClRenderer::renderImages(Instance& instance, double time, const ImageDesc& source,
                                       const ImageDesc& output, const OfxRectI& window, void* queue)
{
    if (!queue) {
        queue = m_queue;
    }
    const auto context = static_cast<cl_context>(m_context);
    const auto clQueue = static_cast<cl_command_queue>(queue);
    const ImageBuffer src(context, clQueue, source);
    const ImageBuffer dst(context, clQueue, output);
    GpuRenderArgs gpu;
    gpu.openCL = true;
    gpu.clQueue = queue;
    const OfxStatus status =
        ofxhost::renderImages(instance, time, src.desc(), dst.desc(), window, gpu);
    // The plug-in only enqueues; its work is done once the queue is.
    check(api_or_throw().clFinish(clQueue), "waiting for the queue");
    dst.download();
    return status;
}

void OpenClRenderer::upload(const float* source, const float* output, int width, int height)
{
    m_frame->reserve(static_cast<cl_context>(m_context), width, height);
    m_frame->upload(static_cast<cl_command_queue>(m_queue), source, output);
}

OfxStatus OpenClRenderer::renderOnDevice(Instance& instance, double time)
{
    if (!m_frame->src) {
        throw Error("OpenCL render: nothing uploaded");
    }
    return renderFrame(instance, time, *m_frame, m_queue);
}

void OpenClRenderer::download(float* output)
{
    if (!m_frame->src) {
        throw Error("OpenCL render: nothing uploaded");
    }
    m_frame->download(static_cast<cl_command_queue>(m_queue), output);
}

OfxStatus OpenClRenderer::renderFrame(Instance& instance, double time, Frame& frame, void* queue)
{
    GpuRenderArgs gpu;
    gpu.openCL = true;
    gpu.clQueue = queue;
    const OfxStatus status =
        renderWholeFrame(instance, time, frame.src, frame.dst, frame.width, frame.height, gpu);
    // The plug-in only enqueues; its work is done once the queue is.
    check(api_or_throw().clFinish(static_cast<cl_command_queue>(queue)), "waiting for the queue");
    return status;
}

} // namespace ofxhost
