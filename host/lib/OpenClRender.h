// ofxhost: rendering an instance through the plug-in's OpenCL path. The images
// are copied into OpenCL buffers (a whole frame with rows packed at its width, or
// any layout a host may hand over), the render action runs with OpenCL enabled on
// the renderer's command queue, the host waits on the queue and reads the result
// back.
#pragma once

#include <ofxhost/Instance.h>

#include <memory>
#include <string>
#include <vector>

namespace ofxhost {

// One OpenCL device as `--device N` counts them: every device of every platform,
// platforms in the loader's order.
struct OpenClDeviceInfo {
    int index = 0;
    std::string name;
    std::string platform;
    bool gpu = false;
};

// The devices of this machine; empty when there is no OpenCL loader or no device,
// and `reason` then gets one line saying which.
std::vector<OpenClDeviceInfo> openClDevices(std::string* reason = nullptr);
bool openClDeviceAvailable(std::string* reason = nullptr);

class OpenClRenderer {
public:
    static constexpr int kDefaultDevice = -1; // the first GPU, else the first device

    // One context on the chosen device and one in-order command queue. Throws Error
    // with a one-line reason when there is no such device or no OpenCL at all.
    explicit OpenClRenderer(int device = kDefaultDevice);
    ~OpenClRenderer();
    OpenClRenderer(const OpenClRenderer&) = delete;
    OpenClRenderer& operator=(const OpenClRenderer&) = delete;

    const OpenClDeviceInfo& device() const { return m_device; }
    void* queue() const { return m_queue; } // cl_command_queue
    // A further command queue on the same context, released with the renderer.
    void* createQueue();

    // Renders a whole width x height frame of packed float RGBA pixels: uploads
    // `source` and the current `output` (pixels the plug-in leaves unwritten keep
    // their value), renders on the queue, waits and copies the result into
    // `output`. Uses buffers of its own for the call, so several threads may
    // render at once (each with its own instance), on one queue or on several.
    // Returns the plug-in's status; OpenCL failures throw Error.
    OfxStatus render(Instance& instance, double time, const float* source, float* output, int width,
                     int height, void* queue = nullptr);

    // Renders `window` of two images laid out as a host may hand them over. Each
    // image (host memory: `data` at the pixel (bounds.x1, bounds.y1), rows `rowBytes`
    // apart, negative where each row lies below the one before) is copied byte for
    // byte into a buffer of its own spanning all its rows, padding included, and
    // handed to the plug-in with the same bounds and rowBytes; with negative
    // rowBytes the buffer holds the rows from the last one down, as the memory
    // does. The Output's buffer comes back the same way, so whatever the plug-in
    // leaves alone, padding included, comes back unchanged. Returns the plug-in's
    // status; OpenCL failures throw Error.
    OfxStatus renderImages(Instance& instance, double time, const ImageDesc& source,
                           const ImageDesc& output, const OfxRectI& window, void* queue = nullptr);

    // The steps of render() on buffers the renderer keeps between calls, for
    // callers that time them apart (one thread at a time).
    void upload(const float* source, const float* output, int width, int height);
    // Attaches the buffers to "Source" and "Output", renders with OpenCL on the
    // queue, waits for the queue and detaches the images again.
    OfxStatus renderOnDevice(Instance& instance, double time);
    void download(float* output);

    struct Frame; // a pair of device buffers for one frame

private:
    OfxStatus renderFrame(Instance& instance, double time, Frame& frame, void* queue);

    OpenClDeviceInfo m_device;
    void* m_context = nullptr;
    void* m_queue = nullptr;
    std::vector<void*> m_extraQueues;
    std::unique_ptr<Frame> m_frame;
};

} // namespace ofxhost
