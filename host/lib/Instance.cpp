// Effect instances: parameter values set by the host, clip images, and the instance actions.
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <ofxGPURender.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace ofxhost {
namespace {

bool succeeded(OfxStatus st)
{
    return st == kOfxStatOK || st == kOfxStatReplyDefault;
}

std::string numberText(double v)
{
    std::ostringstream out;
    out.precision(10);
    out << v;
    return out.str();
}

std::string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const auto& s : items)
        out += (out.empty() ? "\"" : ", \"") + s + "\"";
    return out.empty() ? "(none)" : out;
}

// Parses the whole text as a number; false for empty text, trailing characters or overflow.
bool parseNumber(const std::string& text, double* value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE)
        return false;
    *value = v;
    return true;
}

void addRenderScale(PropertySet& args)
{
    args.defineDouble(kOfxImageEffectPropRenderScale, {1.0, 1.0}, 2);
}

void addGpuArgs(PropertySet& args, const GpuRenderArgs& gpu, bool hostKnowsGpu)
{
    if (!hostKnowsGpu) {
        if (gpu.openCL || gpu.cuda || gpu.metal)
            throw Error("GPU render requested from a host made without GPU properties");
        return;
    }
    args.defineInt(kOfxImageEffectPropOpenCLEnabled, {gpu.openCL ? 1 : 0}, 1);
    args.definePointer(kOfxImageEffectPropOpenCLCommandQueue, {gpu.openCL ? gpu.clQueue : nullptr},
                       1);
    args.defineInt(kOfxImageEffectPropCudaEnabled, {gpu.cuda ? 1 : 0}, 1);
    args.definePointer(kOfxImageEffectPropCudaStream, {gpu.cuda ? gpu.cudaStream : nullptr}, 1);
    args.defineInt(kOfxImageEffectPropMetalEnabled, {gpu.metal ? 1 : 0}, 1);
    args.definePointer(kOfxImageEffectPropMetalCommandQueue, {gpu.metal ? gpu.metalQueue : nullptr},
                       1);
}

} // namespace

Instance::Instance(std::unique_ptr<Data> data) : m_data(std::move(data)) {}

Instance::~Instance()
{
    if (m_data->created)
        m_data->effect->call(kOfxActionDestroyInstance, m_data->object->handle(), nullptr, nullptr);
    // Images the plug-in never released die with the instance.
    releaseImagesOf(m_data->object.get());
}

const std::string& Instance::context() const
{
    return m_data->context;
}
PropertySet& Instance::properties()
{
    return m_data->object->props;
}
OfxImageEffectHandle Instance::handle() const
{
    return m_data->object->handle();
}

// --- parameters
// ------------------------------------------------------------------------------------
namespace {

ParamObject& findParam(EffectObject& e, const std::string& name)
{
    std::lock_guard<std::mutex> lock(e.paramSet.mutex);
    ParamObject* p = e.paramSet.find(name);
    if (!p)
        throw Error("unknown parameter \"" + name + "\"");
    return *p;
}

// Checks a value against [Min, Max] of a one-component numeric parameter.
void checkRange(const ParamObject& p, double value)
{
    const PropertySet& props = p.props;
    if (!props.has(kOfxParamPropMin) || !props.has(kOfxParamPropMax))
        return;
    double lo = 0, hi = 0;
    if (props.type(kOfxParamPropMin) == PropType::Int) {
        lo = props.getInt(kOfxParamPropMin);
        hi = props.getInt(kOfxParamPropMax);
    } else {
        lo = props.getDouble(kOfxParamPropMin);
        hi = props.getDouble(kOfxParamPropMax);
    }
    if (!(value >= lo && value <= hi))
        throw Error("value " + numberText(value) + " for parameter \"" + p.name +
                    "\" is outside its range " + numberText(lo) + " to " + numberText(hi));
}

} // namespace

std::vector<std::string> Instance::paramNames() const
{
    std::lock_guard<std::mutex> lock(m_data->object->paramSet.mutex);
    std::vector<std::string> names;
    for (const auto& p : m_data->object->paramSet.params)
        names.push_back(p->name);
    return names;
}

std::string Instance::paramType(const std::string& name) const
{
    return findParam(*m_data->object, name).type;
}

PropertySet& Instance::paramProperties(const std::string& name)
{
    return findParam(*m_data->object, name).props;
}

void Instance::setParam(const std::string& name, double value)
{
    ParamObject& p = findParam(*m_data->object, name);
    const auto [n, numeric, integral] = valueShape(p.type);
    if (!numeric)
        throw Error("parameter \"" + name + "\" (" + p.type + ") does not take a number");
    if (n != 1)
        throw Error("parameter \"" + name + "\" has " + std::to_string(n) +
                    " components; set them one by one is not supported");
    if (!std::isfinite(value))
        throw Error("value for parameter \"" + name + "\" is not a finite number");
    if (integral && value != std::floor(value))
        throw Error("parameter \"" + name + "\" takes whole numbers, got " + numberText(value));
    if (p.type == kOfxParamTypeChoice) {
        const auto options = p.props.getStrings(kOfxParamPropChoiceOption);
        if (value < 0 || value >= static_cast<double>(options.size()))
            throw Error("option index " + numberText(value) + " for parameter \"" + name +
                        "\" is outside 0 to " +
                        std::to_string(static_cast<long>(options.size()) - 1) +
                        " (options: " + joined(options) + ")");
    } else if (p.type == kOfxParamTypeBoolean) {
        if (value != 0 && value != 1)
            throw Error("parameter \"" + name + "\" is a boolean: 0 or 1");
    } else {
        checkRange(p, value);
    }
    std::lock_guard<std::mutex> lock(p.valueMutex);
    p.numbers.assign(1, value);
}

void Instance::setChoice(const std::string& name, const std::string& option)
{
    ParamObject& p = findParam(*m_data->object, name);
    if (p.type != kOfxParamTypeChoice)
        throw Error("parameter \"" + name + "\" is not a choice");
    const auto options = p.props.getStrings(kOfxParamPropChoiceOption);
    for (size_t i = 0; i < options.size(); ++i) {
        if (options[i] == option) {
            std::lock_guard<std::mutex> lock(p.valueMutex);
            p.numbers.assign(1, static_cast<double>(i));
            return;
        }
    }
    throw Error("unknown option \"" + option + "\" for parameter \"" + name +
                "\" (options: " + joined(options) + ")");
}

void Instance::setParamFromText(const std::string& name, const std::string& text)
{
    ParamObject& p = findParam(*m_data->object, name);
    double number = 0;
    if (p.type == kOfxParamTypeChoice) {
        const auto options = p.props.getStrings(kOfxParamPropChoiceOption);
        for (const auto& o : options)
            if (o == text)
                return setChoice(name, text);
        if (parseNumber(text, &number))
            return setParam(name, number);
        throw Error("unknown option \"" + text + "\" for parameter \"" + name +
                    "\" (options: " + joined(options) + ")");
    }
    if (p.type == kOfxParamTypeBoolean) {
        if (text == "true" || text == "1" || text == "yes" || text == "on")
            return setParam(name, 1);
        if (text == "false" || text == "0" || text == "no" || text == "off")
            return setParam(name, 0);
        throw Error("parameter \"" + name + "\" is a boolean: true or false, got \"" + text + "\"");
    }
    if (p.type == kOfxParamTypeString || p.type == kOfxParamTypeCustom) {
        std::lock_guard<std::mutex> lock(p.valueMutex);
        p.text = text;
        return;
    }
    if (p.type == kOfxParamTypeDouble || p.type == kOfxParamTypeInteger) {
        if (!parseNumber(text, &number))
            throw Error("parameter \"" + name + "\" needs a number, got \"" + text + "\"");
        return setParam(name, number);
    }
    throw Error("parameter \"" + name + "\" (" + p.type + ") cannot be set from text");
}

double Instance::paramDouble(const std::string& name, int component) const
{
    ParamObject& p = findParam(*m_data->object, name);
    std::lock_guard<std::mutex> lock(p.valueMutex);
    if (component < 0 || component >= static_cast<int>(p.numbers.size()))
        throw Error("parameter \"" + name + "\" has no numeric component " +
                    std::to_string(component));
    return p.numbers[component];
}

int Instance::paramInt(const std::string& name, int component) const
{
    return static_cast<int>(paramDouble(name, component));
}

std::string Instance::paramString(const std::string& name) const
{
    ParamObject& p = findParam(*m_data->object, name);
    if (p.type != kOfxParamTypeString && p.type != kOfxParamTypeCustom &&
        p.type != kOfxParamTypeStrChoice)
        throw Error("parameter \"" + name + "\" holds no text");
    std::lock_guard<std::mutex> lock(p.valueMutex);
    return p.text;
}

std::vector<std::string> Instance::choiceOptions(const std::string& name) const
{
    ParamObject& p = findParam(*m_data->object, name);
    if (!p.props.has(kOfxParamPropChoiceOption))
        throw Error("parameter \"" + name + "\" is not a choice");
    return p.props.getStrings(kOfxParamPropChoiceOption);
}

// --- clips
// -----------------------------------------------------------------------------------------
namespace {

ClipObject& findClip(EffectObject& e, const std::string& name)
{
    ClipObject* c = e.findClip(name);
    if (!c)
        throw Error("unknown clip \"" + name + "\"");
    return *c;
}

} // namespace

std::vector<std::string> Instance::clipNames() const
{
    std::lock_guard<std::mutex> lock(m_data->object->clipMutex);
    std::vector<std::string> names;
    for (const auto& c : m_data->object->clips)
        names.push_back(c->name);
    return names;
}

PropertySet& Instance::clipProperties(const std::string& name)
{
    return findClip(*m_data->object, name).props;
}

void Instance::setClipFormat(const std::string& clip, const std::string& pixelDepth,
                             const std::string& components)
{
    PropertySet& p = findClip(*m_data->object, clip).props;
    p.defineString(kOfxImageEffectPropPixelDepth, {pixelDepth}, 1);
    p.defineString(kOfxImageEffectPropComponents, {components}, 1);
    p.defineString(kOfxImageClipPropUnmappedPixelDepth, {pixelDepth}, 1);
    p.defineString(kOfxImageClipPropUnmappedComponents, {components}, 1);
}

namespace {

// Bytes of one pixel for the standard depth and component strings; 0 for others.
long bytesPerPixel(const std::string& depth, const std::string& components)
{
    long channel = 0, count = 0;
    if (depth == kOfxBitDepthByte)
        channel = 1;
    if (depth == kOfxBitDepthShort || depth == kOfxBitDepthHalf)
        channel = 2;
    if (depth == kOfxBitDepthFloat)
        channel = 4;
    if (components == kOfxImageComponentRGBA)
        count = 4;
    if (components == kOfxImageComponentRGB)
        count = 3;
    if (components == kOfxImageComponentAlpha)
        count = 1;
    return channel * count;
}

// An image the plug-in would read out of bounds from is refused before it gets near the plug-in.
void checkImage(const std::string& clip, const ImageDesc& image)
{
    const OfxRectI& b = image.bounds;
    if (b.x2 < b.x1 || b.y2 < b.y1)
        throw Error("image for clip \"" + clip + "\" has inverted bounds");
    const long width = static_cast<long>(b.x2) - b.x1;
    if (width == 0 || b.y2 == b.y1)
        return;
    if (!image.data)
        throw Error("image for clip \"" + clip + "\" has no data");
    const long needed = width * bytesPerPixel(image.pixelDepth, image.components);
    if (std::labs(static_cast<long>(image.rowBytes)) < needed)
        throw Error("image for clip \"" + clip + "\": row bytes " + std::to_string(image.rowBytes) +
                    " are fewer than the " + std::to_string(needed) + " bytes of one row");
}

} // namespace

void Instance::setClipImage(const std::string& clip, const ImageDesc& image)
{
    ClipObject& c = findClip(*m_data->object, clip);
    checkImage(clip, image);
    setClipFormat(clip, image.pixelDepth, image.components);
    c.props.defineString(kOfxImageEffectPropPreMultiplication, {image.preMultiplication}, 1);
    c.props.defineDouble(kOfxImagePropPixelAspectRatio, {image.pixelAspectRatio}, 1);
    c.props.defineInt(kOfxImageClipPropConnected, {1}, 1);
    std::lock_guard<std::mutex> lock(c.imageMutex);
    c.image = image;
    c.hasImage = true;
}

void Instance::clearClipImage(const std::string& clip)
{
    ClipObject& c = findClip(*m_data->object, clip);
    std::lock_guard<std::mutex> lock(c.imageMutex);
    c.hasImage = false;
    c.image = ImageDesc{};
}

int Instance::liveImageCount() const
{
    return m_data->object->liveImages.load();
}

namespace {

// Detaches the frame's images however the render ends.
class AttachedFrame {
public:
    explicit AttachedFrame(Instance& instance) : m_instance(instance) {}
    ~AttachedFrame()
    {
        m_instance.clearClipImage("Source");
        m_instance.clearClipImage("Output");
    }
    AttachedFrame(const AttachedFrame&) = delete;
    AttachedFrame& operator=(const AttachedFrame&) = delete;

private:
    Instance& m_instance;
};

} // namespace

OfxStatus renderWholeFrame(Instance& instance, double time, const void* source, void* output,
                           int width, int height, const GpuRenderArgs& gpu)
{
    ImageDesc image;
    image.rowBytes = width * 4 * int(sizeof(float));
    image.bounds = OfxRectI{0, 0, width, height};
    AttachedFrame attached(instance);
    image.data = const_cast<void*>(source);
    instance.setClipImage("Source", image);
    image.data = output;
    instance.setClipImage("Output", image);
    return instance.render(time, image.bounds, gpu);
}

// --- actions
// ---------------------------------------------------------------------------------------
OfxStatus Instance::render(double time, const OfxRectI& window, const GpuRenderArgs& gpu)
{
    PropertySet in(PropertySet::Policy::Closed);
    in.defineDouble(kOfxPropTime, {time}, 1);
    in.defineString(kOfxImageEffectPropFieldToRender, {kOfxImageFieldNone}, 1);
    in.defineInt(kOfxImageEffectPropRenderWindow, {window.x1, window.y1, window.x2, window.y2}, 4);
    addRenderScale(in);
    in.defineInt(kOfxImageEffectPropSequentialRenderStatus, {0}, 1);
    in.defineInt(kOfxImageEffectPropInteractiveRenderStatus, {0}, 1);
    in.defineInt(kOfxImageEffectPropRenderQualityDraft, {0}, 1);
    in.defineString(kOfxImageEffectPropNoSpatialAwareness, {"false"}, 1);
    in.defineString(kOfxImageEffectPropThumbnailRender, {"false"}, 1);
    addGpuArgs(in, gpu, m_data->effect->core->options().gpuProperties);
    m_data->object->currentTime.store(time);
    return m_data->effect->call(kOfxImageEffectActionRender, handle(), &in, nullptr);
}

IdentityResult Instance::isIdentity(double time, const OfxRectI& window)
{
    PropertySet in(PropertySet::Policy::Closed);
    in.defineDouble(kOfxPropTime, {time}, 1);
    in.defineString(kOfxImageEffectPropFieldToRender, {kOfxImageFieldNone}, 1);
    in.defineInt(kOfxImageEffectPropRenderWindow, {window.x1, window.y1, window.x2, window.y2}, 4);
    addRenderScale(in);
    in.defineString(kOfxImageEffectPropThumbnailRender, {"false"}, 1);
    PropertySet out(PropertySet::Policy::Closed);
    out.defineString(kOfxPropName, {""}, 1);
    out.defineDouble(kOfxPropTime, {time}, 1);
    IdentityResult result;
    result.status = m_data->effect->call(kOfxImageEffectActionIsIdentity, handle(), &in, &out);
    result.clip = out.getString(kOfxPropName);
    result.time = out.getDouble(kOfxPropTime);
    return result;
}

OfxStatus Instance::beginSequenceRender(double first, double last, const GpuRenderArgs& gpu,
                                        double step, bool interactive)
{
    PropertySet in(PropertySet::Policy::Closed);
    in.defineDouble(kOfxImageEffectPropFrameRange, {first, last}, 2);
    in.defineDouble(kOfxImageEffectPropFrameStep, {step}, 1);
    in.defineInt(kOfxPropIsInteractive, {interactive ? 1 : 0}, 1);
    addRenderScale(in);
    in.defineInt(kOfxImageEffectPropSequentialRenderStatus, {0}, 1);
    in.defineInt(kOfxImageEffectPropInteractiveRenderStatus, {interactive ? 1 : 0}, 1);
    in.defineString(kOfxImageEffectPropNoSpatialAwareness, {"false"}, 1);
    in.defineString(kOfxImageEffectPropThumbnailRender, {"false"}, 1);
    addGpuArgs(in, gpu, m_data->effect->core->options().gpuProperties);
    return m_data->effect->call(kOfxImageEffectActionBeginSequenceRender, handle(), &in, nullptr);
}

OfxStatus Instance::endSequenceRender(const GpuRenderArgs& gpu, bool interactive)
{
    PropertySet in(PropertySet::Policy::Closed);
    in.defineDouble(kOfxImageEffectPropFrameRange, {0.0, 0.0}, 2);
    in.defineDouble(kOfxImageEffectPropFrameStep, {1.0}, 1);
    in.defineInt(kOfxPropIsInteractive, {interactive ? 1 : 0}, 1);
    addRenderScale(in);
    in.defineInt(kOfxImageEffectPropSequentialRenderStatus, {0}, 1);
    in.defineInt(kOfxImageEffectPropInteractiveRenderStatus, {interactive ? 1 : 0}, 1);
    addGpuArgs(in, gpu, m_data->effect->core->options().gpuProperties);
    return m_data->effect->call(kOfxImageEffectActionEndSequenceRender, handle(), &in, nullptr);
}

namespace {

OfxStatus changed(const Effect::Data& effect, EffectObject& object, const char* type,
                  const std::string& name, double time, const std::string& reason)
{
    PropertySet beginArgs(PropertySet::Policy::Closed);
    beginArgs.defineString(kOfxPropChangeReason, {reason}, 1);
    PropertySet args(PropertySet::Policy::Closed);
    args.defineString(kOfxPropType, {type}, 1);
    args.defineString(kOfxPropName, {name}, 1);
    args.defineString(kOfxPropChangeReason, {reason}, 1);
    args.defineDouble(kOfxPropTime, {time}, 1);
    args.defineDouble(kOfxImageEffectPropRenderScale, {1.0, 1.0}, 2);
    args.defineString(kOfxImageEffectPropThumbnailRender, {"false"}, 1);
    PropertySet endArgs(PropertySet::Policy::Closed);
    endArgs.defineString(kOfxPropChangeReason, {reason}, 1);

    // Begin and End always pair up, even when the change itself fails.
    OfxStatus st =
        effect.call(kOfxActionBeginInstanceChanged, object.handle(), &beginArgs, nullptr);
    if (!succeeded(st))
        return st;
    const OfxStatus changeStatus =
        effect.call(kOfxActionInstanceChanged, object.handle(), &args, nullptr);
    const OfxStatus endStatus =
        effect.call(kOfxActionEndInstanceChanged, object.handle(), &endArgs, nullptr);
    if (!succeeded(changeStatus))
        return changeStatus;
    if (!succeeded(endStatus))
        return endStatus;
    return kOfxStatOK;
}

} // namespace

OfxStatus Instance::paramChanged(const std::string& name, double time, const std::string& reason)
{
    findParam(*m_data->object, name);
    m_data->object->currentTime.store(time);
    return changed(*m_data->effect, *m_data->object, kOfxTypeParameter, name, time, reason);
}

OfxStatus Instance::clipChanged(const std::string& name, double time, const std::string& reason)
{
    findClip(*m_data->object, name);
    m_data->object->currentTime.store(time);
    return changed(*m_data->effect, *m_data->object, kOfxTypeClip, name, time, reason);
}

void Instance::setAbortHook(std::function<bool()> hook)
{
    std::lock_guard<std::mutex> lock(m_data->object->abortMutex);
    m_data->object->abortHook = std::move(hook);
}

} // namespace ofxhost
