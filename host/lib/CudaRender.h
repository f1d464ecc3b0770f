// ofxhost: rendering an instance through the plug-in's CUDA path. The images are
// copied into device memory (a whole frame with rows packed at its width, or any
// layout a host may hand over), the render action runs with CUDA enabled on the
// renderer's stream, and the result comes back.
#pragma once

#include <ofxhost/Instance.h>

#include <cstddef>
#include <string>

namespace ofxhost {

// Whether a CUDA device can be used here; otherwise `reason` gets one line saying
// why (no driver, no device, ...).
bool cudaDeviceAvailable(std::string* reason = nullptr);

class CudaRenderer {
public:
    // Takes device `device` and creates a stream on it. Throws Error with a one-line
    // reason when there is no such device or no usable driver.
    explicit CudaRenderer(int device = 0);
    ~CudaRenderer();
    CudaRenderer(const CudaRenderer&) = delete;
    CudaRenderer& operator=(const CudaRenderer&) = delete;

    const std::string& deviceName() const { return m_deviceName; }
    // Peak memory bandwidth of the device in bytes per second (0 when unknown).
    double peakBandwidth() const { return m_peakBandwidth; }
    void* stream() const { return m_stream; }

    // Renders a whole width x height frame of packed float RGBA pixels: uploads
    // `source` and the current `output` (pixels the plug-in leaves unwritten keep
    // their value), renders on the device, copies the result into `output`.
    // Returns the plug-in's status; CUDA failures throw Error.
    OfxStatus render(Instance& instance, double time, const float* source, float* output, int width,
                     int height);

    // Renders `window` of two images laid out as a host may hand them over: each
    // image (host memory: `data` at the pixel (bounds.x1, bounds.y1), rows `rowBytes`
    // apart, negative where each row lies below the one before) is copied byte for
    // byte, padding included, into device memory of its own and handed to the
    // plug-in with the same bounds and rowBytes. The Output comes back the same way,
    // so whatever the plug-in leaves alone comes back unchanged. Returns the
    // plug-in's status; CUDA failures throw Error.
    OfxStatus renderImages(Instance& instance, double time, const ImageDesc& source,
                           const ImageDesc& output, const OfxRectI& window);

    // The three steps of render(), for callers that time them apart.
    void upload(const float* source, const float* output, int width, int height);
    // Attaches the device buffers to "Source" and "Output", renders with CUDA on the
    // stream, waits for the stream and detaches the images again.
    OfxStatus renderOnDevice(Instance& instance, double time);
    void download(float* output);

    const float* deviceSource() const { return m_src; }
    float* deviceOutput() const { return m_dst; }

private:
    void reserve(int width, int height);
    void releaseBuffers();

    int m_device = 0;
    std::string m_deviceName;
    double m_peakBandwidth = 0.0;
    void* m_stream = nullptr;
    float* m_src = nullptr;
    float* m_dst = nullptr;
    int m_width = 0;
    int m_height = 0;
};

} // namespace ofxhost
