#include "RenderSession.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include <ofxhost/Error.h>

#include <ofxMessage.h>

#ifdef OFXHOST_HAVE_CUDA
#include <ofxhost/CudaRender.h>
#endif
#ifdef OFXHOST_HAVE_OPENCL
#include <ofxhost/OpenClRender.h>
#endif

namespace ofxrender {

namespace {

const char* const kDefaultBundle = "ZELK-Look-Lib";
const char* const kLookParam = "printStock"; // ZELK Look Library's look choice

// A signalling NaN with an unusual payload: arithmetic never produces it, so an
// output sample still holding it after the render was not written by the plug-in.
constexpr std::uint32_t kUnwrittenBits = 0x7FA1DEADu;

float unwrittenMarker()
{
    float f;
    std::memcpy(&f, &kUnwrittenBits, sizeof f);
    return f;
}

bool isUnwritten(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == kUnwrittenBits;
}

// The frame's pixels as the host's image: bottom row first, through a negative stride.
ofxhost::ImageDesc hostImage(const zelk::PixelView& pixels, const Frame& frame)
{
    ofxhost::ImageDesc image;
    image.data = pixels.row(pixels.height - 1);
    image.rowBytes = -int(pixels.rowStride * std::ptrdiff_t(sizeof(float)));
    image.bounds = frame.bounds;
    image.pixelAspectRatio = frame.pixelAspect;
    return image;
}

class CpuBackend : public RenderBackend {
public:
    OfxStatus render(ofxhost::Instance& instance, double time, const Frame& frame) override
    {
        return ofxhost::renderImages(instance, time, hostImage(frame.source, frame),
                                     hostImage(frame.output, frame), frame.bounds);
    }
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

// A device renderer of our host (CudaRenderer, OpenClRenderer): it takes the
// frame packed in host memory and copies it to the device and back itself.
template <typename Renderer> class DeviceBackend : public RenderBackend {
public:
    explicit DeviceBackend(int device) : m_renderer(device) {}
    OfxStatus render(ofxhost::Instance& instance, double time, const Frame& frame) override
    {
        const std::size_t samples = std::size_t(frame.source.width) * frame.source.height * 4;
        std::vector<float> source(samples), output(samples);
        packBottomUp(frame.source, source.data());
        packBottomUp(frame.output, output.data()); // the unwritten marks
        const OfxStatus status = m_renderer.render(instance, time, source.data(), output.data(),
                                                   frame.source.width, frame.source.height);
        unpackBottomUp(output.data(), frame.output);
        return status;
    }

private:
    Renderer m_renderer;
};

std::string effectList(const ofxhost::Bundle& bundle)
{
    std::string list;
    for (const ofxhost::Effect* effect : bundle.effects())
        list += (list.empty() ? "" : ", ") + effect->identifier();
    return list.empty() ? "none" : list;
}

std::string labelOf(ofxhost::Instance& instance, const std::string& name)
{
    ofxhost::PropertySet& props = instance.paramProperties(name);
    return props.has(kOfxPropLabel) ? props.getString(kOfxPropLabel) : std::string();
}

// The parameters a user can set: not pages or groups.
std::vector<std::string> settableParams(ofxhost::Instance& instance)
{
    std::vector<std::string> names;
    for (const auto& n : instance.paramNames()) {
        const std::string type = instance.paramType(n);
        if (type != kOfxParamTypePage && type != kOfxParamTypeGroup)
            names.push_back(n);
    }
    return names;
}

// The script name `given` stands for: a script name, else a label.
std::string scriptNameOf(ofxhost::Instance& instance, const std::string& given)
{
    const std::vector<std::string> names = settableParams(instance);
    if (std::find(names.begin(), names.end(), given) != names.end())
        return given;
    std::vector<std::string> labelled;
    for (const auto& n : names)
        if (labelOf(instance, n) == given)
            labelled.push_back(n);
    if (labelled.size() == 1)
        return labelled.front();
    std::string known;
    for (const auto& n : labelled.empty() ? names : labelled) {
        const std::string label = labelOf(instance, n);
        known += (known.empty() ? "" : ", ") + n + (label.empty() ? "" : " (\"" + label + "\")");
    }
    if (!labelled.empty())
        throw UsageError("--set: '" + given + "' is the label of more than one parameter (" +
                         known + "); use the script name");
    throw UsageError("unknown parameter '" + given + "' (the effect has " +
                     (known.empty() ? std::string("none") : known) + ")");
}

} // namespace

OfxRectI ofxBounds(const zelk::ImageInfo& info)
{
    const zelk::PixelRect& data = info.dataWindow;
    const zelk::PixelRect& display = info.displayWindow;
    // Row y of the file is row (top + bottom - y) of the host, top and bottom
    // being the display window's first and last rows.
    const long turn = long(display.y) + long(display.y) + display.height - 1;
    return OfxRectI{data.x, int(turn - (long(data.y) + data.height - 1)), data.x + data.width,
                    int(turn - data.y + 1)};
}

std::string resolveBundlePath(const ofxhost::Host& host, const std::string& bundle)
{
    if (bundle.empty())
        return host.findBundle(kDefaultBundle);
    // Anything that looks like a path is one; a plain name is searched for.
    if (bundle.find('/') != std::string::npos || std::filesystem::exists(bundle)) {
        if (!std::filesystem::is_directory(bundle))
            throw ofxhost::Error("bundle '" + bundle + "' not found (no such directory)");
        return bundle;
    }
    return host.findBundle(bundle);
}

std::unique_ptr<RenderBackend> makeBackend(GpuMode mode, [[maybe_unused]] int device)
{
    switch (mode) {
    case GpuMode::Cpu:
        return std::make_unique<CpuBackend>();
    case GpuMode::OpenCl:
#ifdef OFXHOST_HAVE_OPENCL
        return std::make_unique<DeviceBackend<ofxhost::OpenClRenderer>>(
            device < 0 ? ofxhost::OpenClRenderer::kDefaultDevice : device);
#else
        throw RenderError("--gpu opencl: this ofx-render was built without OpenCL rendering");
#endif
    case GpuMode::Cuda:
#ifdef OFXHOST_HAVE_CUDA
        return std::make_unique<DeviceBackend<ofxhost::CudaRenderer>>(device < 0 ? 0 : device);
#else
        throw RenderError("--gpu cuda: this ofx-render was built without CUDA rendering");
#endif
    }
    throw RenderError("unknown render mode");
}

RenderSession::RenderSession(const Options& options)
{
    ofxhost::HostOptions hostOptions;
    hostOptions.reportedCPUs = options.threads;
    m_host = std::make_unique<ofxhost::Host>(hostOptions);
    ofxhost::Bundle& bundle = m_host->loadBundle(resolveBundlePath(*m_host, options.bundle));

    if (options.effect.empty()) {
        const auto effects = bundle.effects();
        if (effects.size() != 1)
            throw UsageError("the bundle has " + std::to_string(effects.size()) +
                             " effects; pick one with --effect (" + effectList(bundle) + ")");
        m_effect = effects.front();
    } else {
        m_effect = bundle.effect(options.effect);
        if (!m_effect)
            throw UsageError("unknown effect '" + options.effect + "' (the bundle has " +
                             effectList(bundle) + ")");
    }

    std::string context;
    for (const char* wanted : {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral})
        if (context.empty() && m_effect->contextDescriptor(wanted))
            context = wanted;
    if (context.empty())
        throw RenderError("effect '" + m_effect->identifier() +
                          "' has neither the filter nor the general context");
    m_instance = m_effect->createInstance(context);

    for (const auto& [given, value] : options.params) {
        const std::string name = scriptNameOf(*m_instance, given);
        try {
            m_instance->setParamFromText(name, value);
        } catch (const ofxhost::Error& e) {
            throw UsageError(std::string("--set ") + given + "=" + value + ": " + e.what());
        }
        m_instance->paramChanged(name);
    }
    try {
        m_backend = makeBackend(options.gpu, options.device);
    } catch (const ofxhost::Error& e) {
        throw RenderError(std::string("--gpu: ") + e.what());
    }
}

RenderSession::~RenderSession()
{
    // A frame that failed mid-sequence still ends the sequence the plug-in began.
    if (m_sequenceOpen) {
        try {
            m_instance->endSequenceRender();
        } catch (...) {
        }
    }
    m_instance.reset(); // destroyed before the host unloads the bundle
}

std::vector<std::string> RenderSession::lookNames()
{
    const auto names = m_instance->paramNames();
    if (std::find(names.begin(), names.end(), kLookParam) == names.end() ||
        m_instance->paramType(kLookParam) != kOfxParamTypeChoice)
        throw RenderError("effect '" + m_effect->identifier() + "' has no look choice (\"" +
                          kLookParam + "\")");
    return m_instance->choiceOptions(kLookParam);
}

void RenderSession::beginSequence(long first, long last)
{
    const OfxStatus status = m_instance->beginSequenceRender(double(first), double(last));
    if (status != kOfxStatOK && status != kOfxStatReplyDefault)
        throw RenderError(std::string("the plug-in failed to begin the sequence render (") +
                          ofxhost::statusName(status) + ")");
    m_sequenceOpen = true;
}

void RenderSession::endSequence()
{
    m_sequenceOpen = false;
    const OfxStatus status = m_instance->endSequenceRender();
    if (status != kOfxStatOK && status != kOfxStatReplyDefault)
        throw RenderError(std::string("the plug-in failed to end the sequence render (") +
                          ofxhost::statusName(status) + ")");
}

std::string RenderSession::failureMessage(std::size_t messagesBefore) const
{
    if (const std::optional<ofxhost::Message> standing = m_instance->persistentMessage())
        return ": " + standing->text;
    const std::vector<ofxhost::Message> all = m_host->messages();
    for (std::size_t i = all.size(); i > messagesBefore; --i) {
        const ofxhost::Message& m = all[i - 1];
        if (m.type == kOfxMessageError || m.type == kOfxMessageFatal)
            return ": " + m.text;
    }
    return "";
}

bool RenderSession::renderFrame(const Frame& frame, double time)
{
    const int width = frame.source.width, height = frame.source.height;
    if (width > INT_MAX / int(4 * sizeof(float)))
        throw RenderError("the image is too wide for an OFX image (" + std::to_string(width) +
                          " pixels)");

    // A host asks first whether the frame passes through untouched.
    ofxhost::ImageDesc src = hostImage(frame.source, frame);
    m_instance->setClipImage("Source", src);
    const ofxhost::IdentityResult identity = m_instance->isIdentity(time, frame.bounds);
    m_instance->clearClipImage("Source");
    if (identity.status == kOfxStatOK && identity.clip == "Source")
        return false;
    if (identity.status != kOfxStatOK && identity.status != kOfxStatReplyDefault)
        throw RenderError(std::string("the plug-in failed the is-identity action (") +
                          ofxhost::statusName(identity.status) + ")");

    const float marker = unwrittenMarker();
    for (int y = 0; y < height; ++y)
        std::fill(frame.output.row(y), frame.output.row(y) + 4 * std::size_t(width), marker);
    const std::size_t messagesBefore = m_host->messages().size();
    const OfxStatus status = m_backend->render(*m_instance, time, frame);
    if (status == kOfxStatErrImageFormat)
        throw RenderError("the plug-in refused the image (kOfxStatErrImageFormat)" +
                          failureMessage(messagesBefore));
    if (status != kOfxStatOK && status != kOfxStatReplyDefault)
        throw RenderError(std::string("the plug-in failed the render (") +
                          ofxhost::statusName(status) + ")" + failureMessage(messagesBefore));
    std::size_t unwritten = 0;
    for (int y = 0; y < height; ++y) {
        const float* row = frame.output.row(y);
        for (int x = 0; x < width; ++x)
            unwritten += isUnwritten(row[4 * x]) || isUnwritten(row[4 * x + 1]) ||
                         isUnwritten(row[4 * x + 2]) || isUnwritten(row[4 * x + 3]);
    }
    if (unwritten > 0)
        throw RenderError("the plug-in did not write the output image (" +
                          std::to_string(unwritten) + " of " +
                          std::to_string(std::size_t(width) * height) +
                          " pixels unwritten; its log may say why)");
    return true;
}

} // namespace ofxrender
