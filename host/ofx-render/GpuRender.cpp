#include "GpuRender.h"

#include <ofxhost/Error.h>

#include <cstring>
#include <vector>

#ifdef OFXHOST_HAVE_CUDA
#include <ofxhost/CudaRender.h>
#endif
#ifdef OFXHOST_HAVE_OPENCL
#include <ofxhost/OpenClRender.h>
#endif

namespace ofxrender {

// A device renderer of our host (CudaRenderer, OpenClRenderer): it takes the frame packed in host
// memory, bottom row first, and copies it to the device and back itself.
class GpuRenderer::Device {
public:
    virtual ~Device() = default;
    virtual OfxStatus render(ofxhost::Instance& instance, double time, const float* source,
                             float* output, int width, int height) = 0;
};

namespace {

template <typename Renderer> class DeviceOf : public GpuRenderer::Device {
public:
    explicit DeviceOf(int device) : m_renderer(device) {}
    OfxStatus render(ofxhost::Instance& instance, double time, const float* source, float* output,
                     int width, int height) override
    {
        return m_renderer.render(instance, time, source, output, width, height);
    }

private:
    Renderer m_renderer;
};

// Rows packed bottom row first, as the device renderers take them, and back.
void packBottomUp(const zelk::PixelView& pixels, float* packed)
{
    const std::size_t row = std::size_t(pixels.width) * 4;
    for (int y = 0; y < pixels.height; ++y)
        std::memcpy(packed + std::size_t(pixels.height - 1 - y) * row, pixels.row(y),
                    row * sizeof(float));
}

void unpackBottomUp(const float* packed, const zelk::PixelView& pixels)
{
    const std::size_t row = std::size_t(pixels.width) * 4;
    for (int y = 0; y < pixels.height; ++y)
        std::memcpy(pixels.row(y), packed + std::size_t(pixels.height - 1 - y) * row,
                    row * sizeof(float));
}

bool sameRect(const OfxRectD& a, const OfxRectI& b)
{
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

// Only what the device renderers give: Source alone, float RGBA, an output of Source's size.
void requireSourceShapedOutput(ofxhost::Instance& instance, double time, const OfxRectI& bounds)
{
    for (const auto& clip : instance.clipNames())
        if (clip != "Source" && clip != "Output" && instance.clipConnected(clip))
            throw RenderError("--gpu renders Source alone; clip '" + clip +
                              "' needs the CPU (leave out --gpu)");
    instance.updateClipPreferences();
    for (const char* clip : {"Source", "Output"}) {
        ofxhost::PropertySet& props = instance.clipProperties(clip);
        if (props.getString(kOfxImageEffectPropPixelDepth) != kOfxBitDepthFloat ||
            props.getString(kOfxImageEffectPropComponents) != kOfxImageComponentRGBA)
            throw RenderError(std::string("--gpu renders float RGBA; the effect wants ") +
                              props.getString(kOfxImageEffectPropPixelDepth) + " " +
                              props.getString(kOfxImageEffectPropComponents) + " on " + clip +
                              " (leave out --gpu)");
    }
    if (!sameRect(instance.regionOfDefinition(time), bounds))
        throw RenderError("--gpu renders outputs of Source's size; this effect changes it "
                          "(leave out --gpu)");
}

} // namespace

GpuRenderer::GpuRenderer(GpuMode mode, [[maybe_unused]] int device)
{
    try {
        switch (mode) {
        case GpuMode::Cpu:
            throw RenderError("the CPU mode has no device");
        case GpuMode::OpenCl:
#ifdef OFXHOST_HAVE_OPENCL
            m_device = std::make_unique<DeviceOf<ofxhost::OpenClRenderer>>(
                device < 0 ? ofxhost::OpenClRenderer::kDefaultDevice : device);
            return;
#else
            throw RenderError("--gpu opencl: this ofx-render was built without OpenCL rendering");
#endif
        case GpuMode::Cuda:
#ifdef OFXHOST_HAVE_CUDA
            m_device = std::make_unique<DeviceOf<ofxhost::CudaRenderer>>(device < 0 ? 0 : device);
            return;
#else
            throw RenderError("--gpu cuda: this ofx-render was built without CUDA rendering");
#endif
        }
    } catch (const ofxhost::Error& e) {
        throw RenderError(std::string("--gpu: ") + e.what());
    }
}

GpuRenderer::~GpuRenderer() = default;

bool GpuRenderer::render(ofxhost::Instance& instance, double time, const DecodedFrame& source,
                         const zelk::PixelView& output)
{
    const OfxRectI bounds = source.bounds();
    const int width = source.pixels.width, height = source.pixels.height;
    try {
        requireSourceShapedOutput(instance, time, bounds);
        // A host asks first whether the frame passes through untouched.
        const ofxhost::IdentityResult identity = instance.isIdentity(time, bounds);
        if (identity.status == kOfxStatOK && identity.clip == "Source" && identity.time == time)
            return false;
        if (identity.status != kOfxStatOK && identity.status != kOfxStatReplyDefault)
            throw RenderError(std::string("the plug-in failed the is-identity action (") +
                              ofxhost::statusName(identity.status) + ")");
    } catch (const ofxhost::Error& e) {
        throw RenderError(e.what());
    }

    const std::size_t samples = std::size_t(width) * height * 4;
    std::vector<float> packedSource(samples), packedOutput(samples, ofxhost::unwrittenSample());
    packBottomUp(source.pixels, packedSource.data());
    const OfxStatus status =
        m_device->render(instance, time, packedSource.data(), packedOutput.data(), width, height);
    if (status == kOfxStatErrImageFormat)
        throw RenderError("the plug-in refused the image (kOfxStatErrImageFormat)");
    if (status != kOfxStatOK && status != kOfxStatReplyDefault)
        throw RenderError(std::string("the plug-in failed the render (") +
                          ofxhost::statusName(status) + ")");
    std::size_t unwritten = 0;
    for (std::size_t i = 0; i < samples; i += 4)
        unwritten += ofxhost::isUnwrittenSample(packedOutput[i]) ||
                     ofxhost::isUnwrittenSample(packedOutput[i + 1]) ||
                     ofxhost::isUnwrittenSample(packedOutput[i + 2]) ||
                     ofxhost::isUnwrittenSample(packedOutput[i + 3]);
    if (unwritten > 0)
        throw RenderError("the plug-in did not write the output image (" +
                          std::to_string(unwritten) + " of " + std::to_string(samples / 4) +
                          " pixels unwritten; its log may say why)");
    unpackBottomUp(packedOutput.data(), output);
    return true;
}

} // namespace ofxrender
