// The action dispatcher behind every factory's main entry: routes each OFX action
// to the factory or the instance and turns every exception into a status, so that
// nothing is ever thrown across the C boundary.
#include "ofxsImageEffect.h"
#include "ofxsLog.h"
#include "ofxsSupportPrivate.h"

#include <cstring>
#include <mutex>
#include <new>

namespace OFX {
namespace Private {
namespace {

// Descriptors stay alive until the plug-in is unloaded: the host may keep reading
// the property sets they wrote.
std::mutex gDescriptorMutex;
std::map<std::string, std::map<int, std::unique_ptr<ImageEffectDescriptor>>> gDescriptors;

void keepDescriptor(const std::string& uid, ContextEnum context,
                    std::unique_ptr<ImageEffectDescriptor> desc)
{
    std::lock_guard<std::mutex> lock(gDescriptorMutex);
    gDescriptors[uid][context] = std::move(desc);
}

void dropDescriptors(const std::string& uid)
{
    std::lock_guard<std::mutex> lock(gDescriptorMutex);
    gDescriptors.erase(uid);
}

bool is(const char* action, const char* name)
{
    return std::strcmp(action, name) == 0;
}

void require(const void* p)
{
    if (p == nullptr)
        throw Exception::Suite(kOfxStatErrBadHandle);
}

OfxPointD readRenderScale(const PropertySet& in)
{
    return {in.propGetDouble(kOfxImageEffectPropRenderScale, 0),
            in.propGetDouble(kOfxImageEffectPropRenderScale, 1)};
}

OfxRectI readRenderWindow(const PropertySet& in)
{
    return {in.propGetInt(kOfxImageEffectPropRenderWindow, 0),
            in.propGetInt(kOfxImageEffectPropRenderWindow, 1),
            in.propGetInt(kOfxImageEffectPropRenderWindow, 2),
            in.propGetInt(kOfxImageEffectPropRenderWindow, 3)};
}

FieldEnum readFieldToRender(const PropertySet& in)
{
    std::string field = in.propGetString(kOfxImageEffectPropFieldToRender);
    try {
        return mapFieldStringToEnum(field);
    } catch (const std::invalid_argument&) {
        Log::error(true, "unknown field to render '%s'; rendering the whole frame", field.c_str());
        return eFieldNone;
    }
}

// GPU selection and render statuses, shared by render and the sequence actions.
void readGpuAndStatus(OfxPropertySetHandle in, GpuAndStatusArguments& args)
{
    args.isEnabledOpenCLRender = optionalInt(in, kOfxImageEffectPropOpenCLEnabled) != 0;
    args.isEnabledCudaRender = optionalInt(in, kOfxImageEffectPropCudaEnabled) != 0;
    args.isEnabledMetalRender = optionalInt(in, kOfxImageEffectPropMetalEnabled) != 0;
    args.pOpenCLCmdQ = optionalPointer(in, kOfxImageEffectPropOpenCLCommandQueue);
    args.pCudaStream = optionalPointer(in, kOfxImageEffectPropCudaStream);
    args.pMetalCmdQ = optionalPointer(in, kOfxImageEffectPropMetalCommandQueue);
    args.sequentialRenderStatus = optionalInt(in, kOfxImageEffectPropSequentialRenderStatus) != 0;
    args.interactiveRenderStatus = optionalInt(in, kOfxImageEffectPropInteractiveRenderStatus) != 0;
    args.renderQualityDraft = optionalInt(in, kOfxImageEffectPropRenderQualityDraft) != 0;
}

RenderArguments readRenderArguments(OfxPropertySetHandle inArgs)
{
    PropertySet in(inArgs);
    RenderArguments args;
    args.time = in.propGetDouble(kOfxPropTime);
    args.renderScale = readRenderScale(in);
    args.renderWindow = readRenderWindow(in);
    readGpuAndStatus(inArgs, args);
    args.fieldToRender = readFieldToRender(in);
    return args;
}

IsIdentityArguments readIsIdentityArguments(OfxPropertySetHandle inArgs)
{
    PropertySet in(inArgs);
    IsIdentityArguments args;
    args.time = in.propGetDouble(kOfxPropTime);
    args.renderScale = readRenderScale(in);
    args.renderWindow = readRenderWindow(in);
    args.fieldToRender = readFieldToRender(in);
    return args;
}

BeginSequenceRenderArguments readBeginSequenceArguments(OfxPropertySetHandle inArgs)
{
    PropertySet in(inArgs);
    BeginSequenceRenderArguments args;
    args.frameRange = {in.propGetDouble(kOfxImageEffectPropFrameRange, 0),
                       in.propGetDouble(kOfxImageEffectPropFrameRange, 1)};
    args.frameStep = in.propGetDouble(kOfxImageEffectPropFrameStep);
    args.isInteractive = in.propGetInt(kOfxPropIsInteractive) != 0;
    args.renderScale = readRenderScale(in);
    readGpuAndStatus(inArgs, args);
    return args;
}

EndSequenceRenderArguments readEndSequenceArguments(OfxPropertySetHandle inArgs)
{
    PropertySet in(inArgs);
    EndSequenceRenderArguments args;
    args.isInteractive = in.propGetInt(kOfxPropIsInteractive) != 0;
    args.renderScale = readRenderScale(in);
    readGpuAndStatus(inArgs, args);
    return args;
}

InstanceChangedArgs readInstanceChangedArgs(const PropertySet& in)
{
    InstanceChangedArgs args;
    args.reason = mapInstanceChangedReasonStringToEnum(in.propGetString(kOfxPropChangeReason));
    args.time = in.propGetDouble(kOfxPropTime);
    args.renderScale = readRenderScale(in);
    return args;
}

ImageEffect* instanceFromHandle(const void* handle)
{
    require(handle);
    OfxPropertySetHandle props = nullptr;
    throwSuiteStatusException(effectSuite().getPropertySet(
        const_cast<OfxImageEffectHandle>(static_cast<const OfxImageEffectStruct*>(handle)),
        &props));
    auto* effect =
        static_cast<ImageEffect*>(PropertySet(props).propGetPointer(kOfxPropInstanceData));
    if (effect == nullptr)
        throw Exception::Suite(kOfxStatErrBadHandle);
    return effect;
}

OfxImageEffectHandle effectHandle(const void* handle)
{
    require(handle);
    return const_cast<OfxImageEffectHandle>(static_cast<const OfxImageEffectStruct*>(handle));
}

OfxStatus loadPlugin(PluginFactory& factory)
{
    loadAction();
    try {
        factory.load();
    } catch (...) {
        unloadAction(); // the host sends no unload after a failed load
        throw;
    }
    return kOfxStatOK;
}

OfxStatus describeInContext(PluginFactory& factory, const void* handle, OfxPropertySetHandle inArgs)
{
    OfxImageEffectHandle h = effectHandle(handle);
    require(inArgs);
    ContextEnum context =
        mapContextStringToEnum(PropertySet(inArgs).propGetString(kOfxImageEffectPropContext));
    std::unique_ptr<ImageEffectDescriptor> desc(new ImageEffectDescriptor(h));
    factory.describeInContext(*desc, context);
    keepDescriptor(factory.getUID(), context, std::move(desc));
    return kOfxStatOK;
}

OfxStatus createInstance(PluginFactory& factory, const void* handle)
{
    OfxImageEffectHandle h = effectHandle(handle);
    OfxPropertySetHandle props = nullptr;
    throwSuiteStatusException(effectSuite().getPropertySet(h, &props));
    ContextEnum context =
        mapContextStringToEnum(PropertySet(props).propGetString(kOfxImageEffectPropContext));
    // The new instance registers itself in the handle's instance data.
    return factory.createInstance(h, context) ? kOfxStatOK : kOfxStatFailed;
}

OfxStatus isIdentity(ImageEffect& effect, OfxPropertySetHandle inArgs, OfxPropertySetHandle outArgs)
{
    require(inArgs);
    require(outArgs);
    IsIdentityArguments args = readIsIdentityArguments(inArgs);
    Clip* clip = nullptr;
    double time = args.time;
    // Identity without a clip to show would leave the host nothing to pass through.
    if (!effect.isIdentity(args, clip, time) || clip == nullptr)
        return kOfxStatReplyDefault;
    PropertySet out(outArgs);
    out.propSetString(kOfxPropName, clip->name());
    out.propSetDouble(kOfxPropTime, time);
    return kOfxStatOK;
}

OfxStatus regionOfDefinition(ImageEffect& effect, OfxPropertySetHandle inArgs,
                             OfxPropertySetHandle outArgs)
{
    require(inArgs);
    require(outArgs);
    PropertySet in(inArgs);
    RegionOfDefinitionArguments args;
    args.time = in.propGetDouble(kOfxPropTime);
    args.renderScale = readRenderScale(in);
    OfxRectD rod = {0, 0, 0, 0};
    if (!effect.getRegionOfDefinition(args, rod))
        return kOfxStatReplyDefault;
    const double v[4] = {rod.x1, rod.y1, rod.x2, rod.y2};
    PropertySet(outArgs).propSetDoubleN(kOfxImageEffectPropRegionOfDefinition, v, 4);
    return kOfxStatOK;
}

OfxStatus regionsOfInterest(ImageEffect& effect, OfxPropertySetHandle inArgs,
                            OfxPropertySetHandle outArgs)
{
    require(inArgs);
    require(outArgs);
    PropertySet in(inArgs);
    RegionsOfInterestArguments args;
    args.time = in.propGetDouble(kOfxPropTime);
    args.renderScale = readRenderScale(in);
    args.regionOfInterest = {in.propGetDouble(kOfxImageEffectPropRegionOfInterest, 0),
                             in.propGetDouble(kOfxImageEffectPropRegionOfInterest, 1),
                             in.propGetDouble(kOfxImageEffectPropRegionOfInterest, 2),
                             in.propGetDouble(kOfxImageEffectPropRegionOfInterest, 3)};
    RegionOfInterestSetter setter(outArgs);
    effect.getRegionsOfInterest(args, setter);
    return setter.didSomething() ? kOfxStatOK : kOfxStatReplyDefault;
}

OfxStatus framesNeeded(ImageEffect& effect, OfxPropertySetHandle inArgs,
                       OfxPropertySetHandle outArgs)
{
    require(inArgs);
    require(outArgs);
    FramesNeededArguments args;
    args.time = PropertySet(inArgs).propGetDouble(kOfxPropTime);
    FramesNeededSetter setter(outArgs);
    effect.getFramesNeeded(args, setter);
    return setter.write() ? kOfxStatOK : kOfxStatReplyDefault;
}

OfxStatus clipPreferences(ImageEffect& effect, OfxPropertySetHandle outArgs)
{
    require(outArgs);
    ClipPreferencesSetter setter(outArgs);
    effect.getClipPreferences(setter);
    return setter.didSomething() ? kOfxStatOK : kOfxStatReplyDefault;
}

OfxStatus timeDomain(ImageEffect& effect, OfxPropertySetHandle outArgs)
{
    require(outArgs);
    OfxRangeD range = {0, 0};
    if (!effect.getTimeDomain(range))
        return kOfxStatReplyDefault;
    const double v[2] = {range.min, range.max};
    PropertySet(outArgs).propSetDoubleN(kOfxImageEffectPropFrameRange, v, 2);
    return kOfxStatOK;
}

OfxStatus instanceChanged(ImageEffect& effect, OfxPropertySetHandle inArgs)
{
    require(inArgs);
    PropertySet in(inArgs);
    std::string type = in.propGetString(kOfxPropType);
    std::string name = in.propGetString(kOfxPropName);
    InstanceChangedArgs args = readInstanceChangedArgs(in);
    if (type == kOfxTypeParameter)
        effect.changedParam(args, name);
    else if (type == kOfxTypeClip)
        effect.changedClip(args, name);
    else
        Log::error(true, "instance changed for an object of unknown type '%s'", type.c_str());
    return kOfxStatReplyDefault;
}

InstanceChangeReason changeReason(OfxPropertySetHandle inArgs)
{
    require(inArgs);
    return mapInstanceChangedReasonStringToEnum(
        PropertySet(inArgs).propGetString(kOfxPropChangeReason));
}

OfxStatus dispatchToInstance(const char* action, const void* handle, OfxPropertySetHandle inArgs,
                             OfxPropertySetHandle outArgs)
{
    ImageEffect* effect = instanceFromHandle(handle);
    if (is(action, kOfxActionDestroyInstance)) {
        delete effect;
        return kOfxStatOK;
    }
    if (is(action, kOfxImageEffectActionRender)) {
        require(inArgs);
        effect->render(readRenderArguments(inArgs));
        return kOfxStatOK;
    }
    if (is(action, kOfxImageEffectActionBeginSequenceRender)) {
        require(inArgs);
        effect->beginSequenceRender(readBeginSequenceArguments(inArgs));
        return kOfxStatReplyDefault;
    }
    if (is(action, kOfxImageEffectActionEndSequenceRender)) {
        require(inArgs);
        effect->endSequenceRender(readEndSequenceArguments(inArgs));
        return kOfxStatReplyDefault;
    }
    if (is(action, kOfxImageEffectActionIsIdentity))
        return isIdentity(*effect, inArgs, outArgs);
    if (is(action, kOfxImageEffectActionGetRegionOfDefinition))
        return regionOfDefinition(*effect, inArgs, outArgs);
    if (is(action, kOfxImageEffectActionGetRegionsOfInterest))
        return regionsOfInterest(*effect, inArgs, outArgs);
    if (is(action, kOfxImageEffectActionGetFramesNeeded))
        return framesNeeded(*effect, inArgs, outArgs);
    if (is(action, kOfxImageEffectActionGetClipPreferences))
        return clipPreferences(*effect, outArgs);
    if (is(action, kOfxImageEffectActionGetTimeDomain))
        return timeDomain(*effect, outArgs);
    if (is(action, kOfxActionInstanceChanged))
        return instanceChanged(*effect, inArgs);
    if (is(action, kOfxActionBeginInstanceChanged)) {
        effect->beginChanged(changeReason(inArgs));
        return kOfxStatReplyDefault;
    }
    if (is(action, kOfxActionEndInstanceChanged)) {
        effect->endChanged(changeReason(inArgs));
        return kOfxStatReplyDefault;
    }
    if (is(action, kOfxActionPurgeCaches))
        effect->purgeCaches();
    else if (is(action, kOfxActionSyncPrivateData))
        effect->syncPrivateData();
    else if (is(action, kOfxActionBeginInstanceEdit))
        effect->beginEdit();
    else if (is(action, kOfxActionEndInstanceEdit))
        effect->endEdit();
    else
        Log::print("action %s is not handled", action);
    return kOfxStatReplyDefault;
}

OfxStatus dispatch(PluginFactory& factory, const char* action, const void* handle,
                   OfxPropertySetHandle inArgs, OfxPropertySetHandle outArgs)
{
    if (is(action, kOfxActionLoad))
        return loadPlugin(factory);
    if (is(action, kOfxActionUnload)) {
        factory.unload();
        dropDescriptors(factory.getUID());
        unloadAction();
        return kOfxStatOK;
    }
    if (is(action, kOfxActionDescribe)) {
        std::unique_ptr<ImageEffectDescriptor> desc(
            new ImageEffectDescriptor(effectHandle(handle)));
        factory.describe(*desc);
        keepDescriptor(factory.getUID(), eContextNone, std::move(desc));
        return kOfxStatOK;
    }
    if (is(action, kOfxImageEffectActionDescribeInContext))
        return describeInContext(factory, handle, inArgs);
    if (is(action, kOfxActionCreateInstance))
        return createInstance(factory, handle);
    return dispatchToInstance(action, handle, inArgs, outArgs);
}

} // namespace

OfxStatus mainEntryStr(const char* action, const void* handle, OfxPropertySetHandle inArgs,
                       OfxPropertySetHandle outArgs, const char* pluginUid)
{
    if (action == nullptr) {
        Log::error(true, "main entry called without an action");
        return kOfxStatReplyDefault;
    }
    Log::print("START %s (%s)", action, pluginUid ? pluginUid : "");
    Log::indent();
    OfxStatus status = kOfxStatFailed;
    try {
        PluginFactory* factory = findFactory(pluginUid);
        if (factory == nullptr)
            Log::error(true, "no plug-in is registered as '%s'", pluginUid ? pluginUid : "");
        else
            status = dispatch(*factory, action, handle, inArgs, outArgs);
    } catch (const Exception::Suite& e) {
        // An exception is never a success, whatever status it was built with.
        status = isSuccessStatus(e.status()) ? kOfxStatFailed : e.status();
        Log::error(true, "%s: host status %s", action, e.what());
    } catch (const Exception::HostInadequate& e) {
        status = kOfxStatErrMissingHostFeature;
        Log::error(true, "%s: the host lacks %s", action, e.what());
    } catch (const Exception::PropertyUnknownToHost& e) {
        status = kOfxStatErrMissingHostFeature;
        Log::error(true, "%s: the host does not know property %s", action, e.what());
    } catch (const std::bad_alloc&) {
        status = kOfxStatErrMemory;
        Log::error(true, "%s: out of memory", action);
    } catch (const std::exception& e) {
        status = kOfxStatFailed;
        Log::error(true, "%s: %s", action, e.what());
    } catch (...) {
        status = kOfxStatFailed;
        Log::error(true, "%s: unknown exception", action);
    }
    Log::outdent();
    Log::print("STOP %s, status %s", action, mapStatusToString(status));
    return status;
}

} // namespace Private
} // namespace OFX
