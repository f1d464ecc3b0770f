// Effect descriptors and the effect instance.
#include "ofxsImageEffect.h"
#include "ofxsLog.h"
#include "ofxsSupportPrivate.h"

namespace OFX {

namespace {

OfxPropertySetHandle effectPropertySet(OfxImageEffectHandle handle)
{
    OfxPropertySetHandle props = nullptr;
    throwSuiteStatusException(Private::effectSuite().getPropertySet(handle, &props));
    return props;
}

OfxParamSetHandle effectParamSet(OfxImageEffectHandle handle)
{
    OfxParamSetHandle params = nullptr;
    throwSuiteStatusException(Private::effectSuite().getParamSet(handle, &params));
    return params;
}
} // namespace

// ---------------------------------------------------------------- descriptors

ClipDescriptor::ClipDescriptor(const std::string& name, OfxPropertySetHandle props)
    : _clipName(name), _clipProps(props)
{
}

void ClipDescriptor::setLabel(const std::string& label)
{
    _clipProps.propSetString(kOfxPropLabel, label);
}

void ClipDescriptor::setLabels(const std::string& label, const std::string& shortLabel,
                               const std::string& longLabel)
{
    setLabel(label);
    _clipProps.propSetString(kOfxPropShortLabel, shortLabel, false);
    _clipProps.propSetString(kOfxPropLongLabel, longLabel, false);
}

void ClipDescriptor::setFieldExtraction(FieldExtractionEnum v)
{
    _clipProps.propSetString(kOfxImageClipPropFieldExtraction, mapFieldExtractionEnumToString(v));
}

void ClipDescriptor::addSupportedComponent(PixelComponentEnum v)
{
    if (v == ePixelComponentCustom)
        return;
    addSupportedComponent(std::string(mapPixelComponentEnumToString(v)));
}

void ClipDescriptor::addSupportedComponent(const std::string& comp)
{
    Private::appendString(_clipProps, kOfxImageEffectPropSupportedComponents, comp);
}

void ClipDescriptor::setTemporalClipAccess(bool v)
{
    _clipProps.propSetInt(kOfxImageEffectPropTemporalClipAccess, v);
}
void ClipDescriptor::setOptional(bool v)
{
    _clipProps.propSetInt(kOfxImageClipPropOptional, v);
}
void ClipDescriptor::setSupportsTiles(bool v)
{
    _clipProps.propSetInt(kOfxImageEffectPropSupportsTiles, v);
}
void ClipDescriptor::setIsMask(bool v)
{
    _clipProps.propSetInt(kOfxImageClipPropIsMask, v);
}

ImageEffectDescriptor::ImageEffectDescriptor(OfxImageEffectHandle handle)
    : _effectHandle(handle), _effectProps(effectPropertySet(handle))
{
    setParamSetHandle(effectParamSet(handle));
}

ImageEffectDescriptor::~ImageEffectDescriptor() = default;

void ImageEffectDescriptor::setLabel(const std::string& label)
{
    _effectProps.propSetString(kOfxPropLabel, label);
}

void ImageEffectDescriptor::setLabels(const std::string& label, const std::string& shortLabel,
                                      const std::string& longLabel)
{
    setLabel(label);
    _effectProps.propSetString(kOfxPropShortLabel, shortLabel, false);
    _effectProps.propSetString(kOfxPropLongLabel, longLabel, false);
}

void ImageEffectDescriptor::setVersion(int major, int minor, int micro, int build,
                                       const std::string& versionLabel)
{
    const int parts[] = {major, minor, micro, build};
    int count = 4;
    while (count > 1 && parts[count - 1] == 0)
        --count;
    for (int i = 0; i < count; ++i)
        _effectProps.propSetInt(kOfxPropVersion, parts[i], i, false);
    if (!versionLabel.empty())
        _effectProps.propSetString(kOfxPropVersionLabel, versionLabel, false);
}

void ImageEffectDescriptor::setPluginGrouping(const std::string& group)
{
    _effectProps.propSetString(kOfxImageEffectPluginPropGrouping, group);
}

void ImageEffectDescriptor::setPluginDescription(const std::string& description)
{
    _effectProps.propSetString(kOfxPropPluginDescription, description, false);
}

void ImageEffectDescriptor::addSupportedContext(ContextEnum v)
{
    if (v == eContextNone)
        return;
    Private::appendString(_effectProps, kOfxImageEffectPropSupportedContexts,
                          mapContextEnumToString(v));
}

void ImageEffectDescriptor::addSupportedBitDepth(BitDepthEnum v)
{
    if (v == eBitDepthCustom)
        return;
    Private::appendString(_effectProps, kOfxImageEffectPropSupportedPixelDepths,
                          mapBitDepthEnumToString(v));
}

void ImageEffectDescriptor::setSingleInstance(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPluginPropSingleInstance, v);
}
void ImageEffectDescriptor::setHostFrameThreading(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPluginPropHostFrameThreading, v);
}
void ImageEffectDescriptor::setSupportsMultiResolution(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPropSupportsMultiResolution, v);
}
void ImageEffectDescriptor::setSupportsTiles(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPropSupportsTiles, v);
}
void ImageEffectDescriptor::setTemporalClipAccess(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPropTemporalClipAccess, v);
}
void ImageEffectDescriptor::setRenderTwiceAlways(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPluginPropFieldRenderTwiceAlways, v);
}
void ImageEffectDescriptor::setSupportsMultipleClipDepths(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPropSupportsMultipleClipDepths, v);
}
void ImageEffectDescriptor::setSupportsMultipleClipPARs(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPropSupportsMultipleClipPARs, v);
}
void ImageEffectDescriptor::setRenderThreadSafety(RenderSafetyEnum v)
{
    _effectProps.propSetString(kOfxImageEffectPluginRenderThreadSafety,
                               mapRenderSafetyEnumToString(v));
}
void ImageEffectDescriptor::addClipPreferencesSlaveParam(ParamDescriptor& p)
{
    Private::appendString(_effectProps, kOfxImageEffectPropClipPreferencesSlaveParam, p.getName());
}

void ImageEffectDescriptor::setGpuCapability(const char* property, bool v)
{
    try {
        _effectProps.propSetString(property, v ? "true" : "false");
    } catch (const Exception::PropertyUnknownToHost&) {
        // Hosts without GPU rendering may not know the property: describe on.
        Log::warning(true, "host does not know %s; the effect renders on the CPU there", property);
    }
}

void ImageEffectDescriptor::setSupportsOpenCLBuffersRender(bool v)
{
    setGpuCapability(kOfxImageEffectPropOpenCLRenderSupported, v);
}
void ImageEffectDescriptor::setSupportsOpenCLImagesRender(bool v)
{
    setGpuCapability(kOfxImageEffectPropOpenCLSupported, v);
}
void ImageEffectDescriptor::setSupportsCudaRender(bool v)
{
    setGpuCapability(kOfxImageEffectPropCudaRenderSupported, v);
}
void ImageEffectDescriptor::setSupportsCudaStream(bool v)
{
    setGpuCapability(kOfxImageEffectPropCudaStreamSupported, v);
}
void ImageEffectDescriptor::setSupportsMetalRender(bool v)
{
    setGpuCapability(kOfxImageEffectPropMetalRenderSupported, v);
}

ClipDescriptor* ImageEffectDescriptor::defineClip(const std::string& name)
{
    auto it = _definedClips.find(name);
    if (it != _definedClips.end())
        return it->second.get();
    OfxPropertySetHandle props = nullptr;
    // A clip the host refused has no property set to write to: fail here, clearly.
    throwSuiteStatusException(
        Private::effectSuite().clipDefine(_effectHandle, name.c_str(), &props));
    ClipDescriptor* clip = new ClipDescriptor(name, props);
    _definedClips[name].reset(clip);
    return clip;
}

// ------------------------------------------------------------------ instance

ImageEffect::ImageEffect(OfxImageEffectHandle handle)
    : _effectHandle(handle), _effectProps(effectPropertySet(handle)), _context(eContextNone)
{
    _effectProps.propSetPointer(kOfxPropInstanceData, this);
    try {
        _context = mapContextStringToEnum(_effectProps.propGetString(kOfxImageEffectPropContext));
        setParamSetHandle(effectParamSet(handle));
    } catch (...) {
        // The destructor will not run: leave no dangling pointer with the host.
        _effectProps.propSetPointer(kOfxPropInstanceData, nullptr, false);
        throw;
    }
}

ImageEffect::~ImageEffect()
{
    try {
        _effectProps.propSetPointer(kOfxPropInstanceData, nullptr, false);
    } catch (...) {
    }
}

void ImageEffect::beginEdit() {}
void ImageEffect::endEdit() {}
void ImageEffect::beginSequenceRender(const BeginSequenceRenderArguments&) {}
void ImageEffect::endSequenceRender(const EndSequenceRenderArguments&) {}
bool ImageEffect::isIdentity(const IsIdentityArguments&, Clip*&, double&)
{
    return false;
}
bool ImageEffect::getRegionOfDefinition(const RegionOfDefinitionArguments&, OfxRectD&)
{
    return false;
}
void ImageEffect::getRegionsOfInterest(const RegionsOfInterestArguments&, RegionOfInterestSetter&)
{
}
void ImageEffect::getFramesNeeded(const FramesNeededArguments&, FramesNeededSetter&) {}
void ImageEffect::getClipPreferences(ClipPreferencesSetter&) {}
void ImageEffect::purgeCaches() {}
void ImageEffect::syncPrivateData() {}
void ImageEffect::beginChanged(InstanceChangeReason) {}
void ImageEffect::changedParam(const InstanceChangedArgs&, const std::string&) {}
void ImageEffect::changedClip(const InstanceChangedArgs&, const std::string&) {}
void ImageEffect::endChanged(InstanceChangeReason) {}
std::string ImageEffect::interpolateCustomParam(const InterpolateCustomArgs& args,
                                                const std::string&)
{
    return args.value1;
}
bool ImageEffect::getTimeDomain(OfxRangeD&)
{
    return false;
}

Clip* ImageEffect::fetchClip(const std::string& name)
{
    auto it = _fetchedClips.find(name);
    if (it != _fetchedClips.end())
        return it->second.get();
    OfxImageClipHandle handle = nullptr;
    OfxPropertySetHandle props = nullptr;
    throwSuiteStatusException(
        Private::effectSuite().clipGetHandle(_effectHandle, name.c_str(), &handle, &props));
    if (props == nullptr)
        throwSuiteStatusException(Private::effectSuite().clipGetPropertySet(handle, &props));
    Clip* clip = new Clip(this, name, handle, props);
    _fetchedClips[name].reset(clip);
    return clip;
}

bool ImageEffect::abort() const
{
    return Private::effectSuite().abort(_effectHandle) != 0;
}

OfxPointD ImageEffect::getProjectSize() const
{
    return {_effectProps.propGetDouble(kOfxImageEffectPropProjectSize, 0),
            _effectProps.propGetDouble(kOfxImageEffectPropProjectSize, 1)};
}
OfxPointD ImageEffect::getProjectOffset() const
{
    return {_effectProps.propGetDouble(kOfxImageEffectPropProjectOffset, 0),
            _effectProps.propGetDouble(kOfxImageEffectPropProjectOffset, 1)};
}
OfxPointD ImageEffect::getProjectExtent() const
{
    return {_effectProps.propGetDouble(kOfxImageEffectPropProjectExtent, 0),
            _effectProps.propGetDouble(kOfxImageEffectPropProjectExtent, 1)};
}
double ImageEffect::getProjectPixelAspectRatio() const
{
    return _effectProps.propGetDouble(kOfxImageEffectPropProjectPixelAspectRatio);
}
double ImageEffect::getEffectDuration() const
{
    return _effectProps.propGetDouble(kOfxImageEffectInstancePropEffectDuration);
}
double ImageEffect::getFrameRate() const
{
    return _effectProps.propGetDouble(kOfxImageEffectPropFrameRate);
}
bool ImageEffect::isInteractive() const
{
    return _effectProps.propGetInt(kOfxPropIsInteractive) != 0;
}
void ImageEffect::setSupportsTiles(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectPropSupportsTiles, v);
}
bool ImageEffect::getSupportsTiles() const
{
    return _effectProps.propGetInt(kOfxImageEffectPropSupportsTiles) != 0;
}
void ImageEffect::setSequentialRender(bool v)
{
    _effectProps.propSetInt(kOfxImageEffectInstancePropSequentialRender, v);
}
bool ImageEffect::getSequentialRender() const
{
    return _effectProps.propGetInt(kOfxImageEffectInstancePropSequentialRender) != 0;
}

Message::MessageReplyEnum ImageEffect::sendMessage(Message::MessageTypeEnum type,
                                                   const std::string& id, const std::string& msg)
{
    if (Private::gMessageSuite == nullptr)
        throwHostMissingSuiteException(kOfxMessageSuite);
    OfxStatus s = Private::gMessageSuite->message(_effectHandle, mapMessageTypeEnumToString(type),
                                                  id.c_str(), "%s", msg.c_str());
    return mapStatusToMessageReplyEnum(s);
}

Message::MessageReplyEnum ImageEffect::setPersistentMessage(Message::MessageTypeEnum type,
                                                            const std::string& id,
                                                            const std::string& msg)
{
    if (Private::gMessageSuiteV2 == nullptr)
        throwHostMissingSuiteException(kOfxMessageSuite);
    OfxStatus s = Private::gMessageSuiteV2->setPersistentMessage(
        _effectHandle, mapMessageTypeEnumToString(type), id.c_str(), "%s", msg.c_str());
    return mapStatusToMessageReplyEnum(s);
}

Message::MessageReplyEnum ImageEffect::clearPersistentMessage()
{
    if (Private::gMessageSuiteV2 == nullptr)
        throwHostMissingSuiteException(kOfxMessageSuite);
    return mapStatusToMessageReplyEnum(
        Private::gMessageSuiteV2->clearPersistentMessage(_effectHandle));
}

} // namespace OFX
