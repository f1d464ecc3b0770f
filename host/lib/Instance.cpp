// Effect instances: their life and the instance actions (the parameters, clips, clip
// preferences and regions have files of their own).
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <ofxGPURender.h>

#include <algorithm>
#include <sstream>

namespace ofxhost {

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

std::string joinedNames(const std::vector<std::string>& items)
{
    std::string out;
    for (const auto& s : items)
        out += (out.empty() ? "\"" : ", \"") + s + "\"";
    return out.empty() ? "(none)" : out;
}

void addRenderScale(PropertySet& args)
{
    args.defineDouble(kOfxImageEffectPropRenderScale, {1.0, 1.0}, 2);
}

ParamObject& findParam(EffectObject& e, const std::string& name)
{
    std::lock_guard<std::mutex> lock(e.paramSet.mutex);
    ParamObject* p = e.paramSet.find(name);
    if (!p)
        throw Error("unknown parameter \"" + name + "\"");
    return *p;
}

namespace {

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
const ProjectSettings& Instance::project() const
{
    return m_data->object->project;
}
PropertySet& Instance::properties()
{
    return m_data->object->props;
}
OfxImageEffectHandle Instance::handle() const
{
    return m_data->object->handle();
}

// --- actions
// ---------------------------------------------------------------------------------------
OfxStatus renderAction(Instance::Data& d, double time, const OfxRectI& window,
                       const GpuRenderArgs& gpu, std::vector<std::string>* missing)
{
    refreshClipPreferences(d);
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
    addGpuArgs(in, gpu, d.effect->core->options().gpuProperties);
    d.object->currentTime.store(time);
    return d.effect->call(kOfxImageEffectActionRender, d.object->handle(), &in, nullptr, missing);
}

IdentityResult identityAction(Instance::Data& d, double time, const OfxRectI& window,
                              std::vector<std::string>* missing)
{
    refreshClipPreferences(d);
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
    result.status =
        d.effect->call(kOfxImageEffectActionIsIdentity, d.object->handle(), &in, &out, missing);
    result.clip = out.getString(kOfxPropName);
    result.time = out.getDouble(kOfxPropTime);
    return result;
}

OfxStatus Instance::render(double time, const OfxRectI& window, const GpuRenderArgs& gpu)
{
    return renderAction(*m_data, time, window, gpu, nullptr);
}

IdentityResult Instance::isIdentity(double time, const OfxRectI& window)
{
    return identityAction(*m_data, time, window, nullptr);
}

OfxStatus Instance::beginSequenceRender(double first, double last, const GpuRenderArgs& gpu,
                                        double step, bool interactive)
{
    refreshClipPreferences(*m_data);
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
    const PropertySet& props = m_data->object->props;
    if (props.has(kOfxImageEffectPropClipPreferencesSlaveParam)) {
        const auto slaves = props.getStrings(kOfxImageEffectPropClipPreferencesSlaveParam);
        if (std::find(slaves.begin(), slaves.end(), name) != slaves.end())
            markPreferencesStale(*m_data->object);
    }
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
