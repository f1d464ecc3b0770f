#include "CudaRender.h"

#include <ofxhost/Error.h>

#include <cuda_runtime_api.h>

#include "ImageSpan.h"

namespace ofxhost {

namespace {

std::string cuda_text(cudaError_t err)
{
    if (err == cudaErrorInsufficientDriver) {
        // What the runtime says when there is no driver at all, too.
        return "the CUDA driver is missing or older than this CUDA runtime (error " +
               std::to_string(int(err)) + ")";
    }
    return std::string(cudaGetErrorString(err)) + " (error " + std::to_string(int(err)) + ")";
}

void check(cudaError_t err, const char* what)
{
    if (err != cudaSuccess) {
        throw Error(std::string("CUDA render: ") + what + " failed: " + cuda_text(err));
    }
}

size_t frame_bytes(int width, int height)
{
    return size_t(width) * size_t(height) * 4 * sizeof(float);
}

// Device memory holding a copy of the bytes an image spans in host memory, for one render.
class DeviceImage {
public:
    DeviceImage(cudaStream_t stream, const ImageDesc& image) : m_stream(stream)
    {
        const ImageSpan span = floatRgbaSpan(image, "CUDA");
        m_host = static_cast<char*>(image.data) - span.dataOffset;
        m_bytes = span.bytes;
        void* device = nullptr;
        check(cudaMalloc(&device, m_bytes), "allocating an image");
        m_device = static_cast<char*>(device);
        const cudaError_t copied =
            cudaMemcpyAsync(m_device, m_host, m_bytes, cudaMemcpyHostToDevice, stream);
        const cudaError_t waited = copied == cudaSuccess ? cudaStreamSynchronize(stream) : copied;
        if (waited != cudaSuccess) {
            (void)cudaFree(m_device);
            check(waited, "uploading an image");
        }
        m_desc = image;
        m_desc.data = m_device + span.dataOffset;
    }
    ~DeviceImage() { (void)cudaFree(m_device); }
    DeviceImage(const DeviceImage&) = delete;
    DeviceImage& operator=(const DeviceImage&) = delete;

    // The image as the plug-in gets it: device memory in place of the host's.
    const ImageDesc& desc() const { return m_desc; }
    void download() const
    {
        check(cudaMemcpyAsync(m_host, m_device, m_bytes, cudaMemcpyDeviceToHost, m_stream),
              "downloading an image");
        check(cudaStreamSynchronize(m_stream), "waiting for the download");
    }

private:
    cudaStream_t m_stream;
    char* m_host = nullptr;
    char* m_device = nullptr;
    size_t m_bytes = 0;
    ImageDesc m_desc;
};

} // namespace

bool cudaDeviceAvailable(std::string* reason)
{
    int count = 0;
    const cudaError_t err = cudaGetDeviceCount(&count);
    if (err != cudaSuccess || count == 0) {
        if (reason) {
            *reason = err != cudaSuccess ? "no CUDA device: " + cuda_text(err)
                                         : std::string("no CUDA device: none found");
        }
        // A failed query leaves a sticky last error behind; clear it for later callers.
        (void)cudaGetLastError();
        return false;
    }
    return true;
}

CudaRenderer::CudaRenderer(int device) : m_device(device)
{
    std::string reason;
    if (!cudaDeviceAvailable(&reason)) {
        throw Error(reason);
    }
    int count = 0;
    check(cudaGetDeviceCount(&count), "counting devices");
    if (device < 0 || device >= count) {
        throw Error("no CUDA device " + std::to_string(device) + ": this machine has " +
                    std::to_string(count));
    }
    check(cudaSetDevice(device), "selecting the device");
    cudaDeviceProp props{};
    check(cudaGetDeviceProperties(&props, device), "reading the device properties");
    m_deviceName = props.name;
    int memoryClockKHz = 0, busWidthBits = 0;
    if (cudaDeviceGetAttribute(&memoryClockKHz, cudaDevAttrMemoryClockRate, device) ==
            cudaSuccess &&
        cudaDeviceGetAttribute(&busWidthBits, cudaDevAttrGlobalMemoryBusWidth, device) ==
            cudaSuccess) {
        // Double data rate: two transfers per clock.
        m_peakBandwidth = 2.0 * memoryClockKHz * 1000.0 * (busWidthBits / 8.0);
    }
    cudaStream_t stream = nullptr;
    check(cudaStreamCreateWithFlags(&stream, cudaStreamNonBlocking), "creating a stream");
    m_stream = stream;
}

CudaRenderer::~CudaRenderer()
{
    releaseBuffers();
    if (m_stream) {
        (void)cudaStreamDestroy(static_cast<cudaStream_t>(m_stream));
    }
}

void CudaRenderer::releaseBuffers()
{
    // Whatever is still queued on the stream may use the buffers.
    if (m_stream) {
        (void)cudaStreamSynchronize(static_cast<cudaStream_t>(m_stream));
    }
    (void)cudaFree(m_src);
    (void)cudaFree(m_dst);
    m_src = m_dst = nullptr;
    m_width = m_height = 0;
}

void CudaRenderer::reserve(int width, int height)
{
    if (width <= 0 || height <= 0) {
        throw Error("CUDA render: empty frame " + std::to_string(width) + "x" +
                    std::to_string(height));
    }
    if (width == m_width && height == m_height) {
        return;
    }
    releaseBuffers();
    void* src = nullptr;
    void* dst = nullptr;
    check(cudaMalloc(&src, frame_bytes(width, height)), "allocating the source buffer");
    m_src = static_cast<float*>(src);
    check(cudaMalloc(&dst, frame_bytes(width, height)), "allocating the output buffer");
    m_dst = static_cast<float*>(dst);
    m_width = width;
    m_height = height;
}

void CudaRenderer::upload(const float* source, const float* output, int width, int height)
{
    reserve(width, height);
    cudaStream_t stream = static_cast<cudaStream_t>(m_stream);
    const size_t bytes = frame_bytes(width, height);
    check(cudaMemcpyAsync(m_src, source, bytes, cudaMemcpyHostToDevice, stream),
          "uploading the source");
    check(cudaMemcpyAsync(m_dst, output, bytes, cudaMemcpyHostToDevice, stream),
          "uploading the output");
    check(cudaStreamSynchronize(stream), "waiting for the upload");
}

OfxStatus CudaRenderer::renderOnDevice(Instance& instance, double time)
{
    if (!m_src) {
        throw Error("CUDA render: nothing uploaded");
    }
    GpuRenderArgs gpu;
    gpu.cuda = true;
    gpu.cudaStream = m_stream;
    const OfxStatus status = renderWholeFrame(instance, time, m_src, m_dst, m_width, m_height, gpu);
    check(cudaStreamSynchronize(static_cast<cudaStream_t>(m_stream)), "waiting for the render");
    return status;
}

void CudaRenderer::download(float* output)
{
    if (!m_dst) {
        throw Error("CUDA render: nothing rendered");
    }
    cudaStream_t stream = static_cast<cudaStream_t>(m_stream);
    check(cudaMemcpyAsync(output, m_dst, frame_bytes(m_width, m_height), cudaMemcpyDeviceToHost,
                          stream),
          "downloading the output");
    check(cudaStreamSynchronize(stream), "waiting for the download");
}

OfxStatus CudaRenderer::renderImages(Instance& instance, double time, const ImageDesc& source,
                                     const ImageDesc& output, const OfxRectI& window)
{
    cudaStream_t stream = static_cast<cudaStream_t>(m_stream);
    const DeviceImage src(stream, source);
    const DeviceImage dst(stream, output);
    GpuRenderArgs gpu;
    gpu.cuda = true;
    gpu.cudaStream = m_stream;
    const OfxStatus status =
        ofxhost::renderImages(instance, time, src.desc(), dst.desc(), window, gpu);
    check(cudaStreamSynchronize(stream), "waiting for the render");
    dst.download();
    return status;
}

OfxStatus CudaRenderer::render(Instance& instance, double time, const float* source, float* output,
                               int width, int height)
{
    upload(source, output, width, height);
    const OfxStatus status = renderOnDevice(instance, time);
    download(output);
    return status;
}

} // namespace ofxhost
