// Host objects: handle checks, the default properties of new descriptors and the images handed
// out to effects.
#include "Internal.h"

#include <ofxGPURender.h>
#include <ofxParametricParam.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <unordered_map>

namespace ofxhost {

ParamObject* ParamObject::fromHandle(OfxParamHandle h)
{
    auto* p = reinterpret_cast<ParamObject*>(h);
    return p && p->magic == kParamMagic ? p : nullptr;
}

ParamSetObject* ParamSetObject::fromHandle(OfxParamSetHandle h)
{
    auto* p = reinterpret_cast<ParamSetObject*>(h);
    return p && p->magic == kParamSetMagic ? p : nullptr;
}

ParamObject* ParamSetObject::find(const std::string& name) const
{
    for (const auto& p : params)
        if (p->name == name)
            return p.get();
    return nullptr;
}

ClipObject* ClipObject::fromHandle(OfxImageClipHandle h)
{
    auto* c = reinterpret_cast<ClipObject*>(h);
    return c && c->magic == kClipMagic ? c : nullptr;
}

ClipObject* EffectObject::findClip(const std::string& name)
{
    std::lock_guard<std::mutex> lock(clipMutex);
    for (const auto& c : clips)
        if (c->name == name)
            return c.get();
    return nullptr;
}

EffectObject* EffectObject::fromHandle(OfxImageEffectHandle h)
{
    auto* e = reinterpret_cast<EffectObject*>(h);
    return e && e->magic == kEffectMagic ? e : nullptr;
}

EffectObject* EffectObject::fromVoid(const void* h)
{
    return fromHandle(reinterpret_cast<OfxImageEffectHandle>(const_cast<void*>(h)));
}

const std::vector<std::string>& gpuCapabilityProperties()
{
    static const std::vector<std::string> names = {
        kOfxImageEffectPropOpenCLRenderSupported, kOfxImageEffectPropOpenCLSupported,
        kOfxImageEffectPropCudaRenderSupported, kOfxImageEffectPropCudaStreamSupported,
        kOfxImageEffectPropMetalRenderSupported};
    return names;
}

const std::vector<std::string>& gpuRenderArgumentProperties()
{
    static const std::vector<std::string> names = {
        kOfxImageEffectPropOpenCLEnabled, kOfxImageEffectPropOpenCLCommandQueue,
        kOfxImageEffectPropCudaEnabled,   kOfxImageEffectPropCudaStream,
        kOfxImageEffectPropMetalEnabled,  kOfxImageEffectPropMetalCommandQueue,
        kOfxImageEffectPropOpenCLImage};
    return names;
}

void initEffectDescriptorProps(PropertySet& p, const std::string& bundlePath, bool gpuProperties)
{
    p.defineString(kOfxPropType, {kOfxTypeImageEffect}, 1);
    p.defineString(kOfxPluginPropFilePath, {bundlePath}, 1);
    p.defineString(kOfxPropLabel, {""}, 1);
    p.defineString(kOfxImageEffectPluginPropGrouping, {""}, 1);
    p.defineString(kOfxImageEffectPropSupportedContexts, {});
    p.defineString(kOfxImageEffectPropSupportedPixelDepths, {});
    p.defineInt(kOfxImageEffectPluginPropSingleInstance, {0}, 1);
    p.defineInt(kOfxImageEffectPluginPropHostFrameThreading, {0}, 1);
    // Instance-safe unless the plug-in says otherwise: one render per instance at a time.
    p.defineString(kOfxImageEffectPluginRenderThreadSafety, {kOfxImageEffectRenderInstanceSafe}, 1);
    p.defineInt(kOfxImageEffectPropSupportsMultiResolution, {1}, 1);
    p.defineInt(kOfxImageEffectPropSupportsTiles, {1}, 1);
    p.defineInt(kOfxImageEffectPropTemporalClipAccess, {0}, 1);
    p.defineInt(kOfxImageEffectPluginPropFieldRenderTwiceAlways, {1}, 1);
    p.defineInt(kOfxImageEffectPropSupportsMultipleClipDepths, {0}, 1);
    p.defineInt(kOfxImageEffectPropSupportsMultipleClipPARs, {0}, 1);
    p.definePointer(kOfxImageEffectPluginPropOverlayInteractV1, {nullptr}, 1);
    p.defineString(kOfxImageEffectPropClipPreferencesSlaveParam, {});
    p.defineString(kOfxPluginPropParamPageOrder, {});
    if (!gpuProperties)
        for (const auto& name : gpuCapabilityProperties())
            p.refuse(name);
}

void initClipDescriptorProps(PropertySet& p, const std::string& name)
{
    p.defineString(kOfxPropType, {kOfxTypeClip}, 1);
    p.defineString(kOfxPropName, {name}, 1);
    p.defineString(kOfxPropLabel, {name}, 1);
    p.defineString(kOfxImageEffectPropSupportedComponents, {});
    p.defineInt(kOfxImageEffectPropTemporalClipAccess, {0}, 1);
    p.defineInt(kOfxImageEffectPropSupportsTiles, {1}, 1);
    p.defineString(kOfxImageClipPropFieldExtraction, {kOfxImageFieldDoubled}, 1);
    p.defineInt(kOfxImageClipPropOptional, {0}, 1);
    p.defineInt(kOfxImageClipPropIsMask, {0}, 1);
}

namespace {

const std::unordered_map<std::string, ParamTypeInfo>& paramTypes()
{
    static const std::unordered_map<std::string, ParamTypeInfo> types = {
        {kOfxParamTypeInteger, {1, true, true}},      {kOfxParamTypeDouble, {1, true, false}},
        {kOfxParamTypeBoolean, {1, true, true}},      {kOfxParamTypeChoice, {1, true, true}},
        {kOfxParamTypeRGBA, {4, true, false}},        {kOfxParamTypeRGB, {3, true, false}},
        {kOfxParamTypeDouble2D, {2, true, false}},    {kOfxParamTypeInteger2D, {2, true, true}},
        {kOfxParamTypeDouble3D, {3, true, false}},    {kOfxParamTypeInteger3D, {3, true, true}},
        {kOfxParamTypeString, {1, false, false}},     {kOfxParamTypeCustom, {1, false, false}},
        {kOfxParamTypeStrChoice, {1, false, false}},  {kOfxParamTypeGroup, {0, false, false}},
        {kOfxParamTypePage, {0, false, false}},       {kOfxParamTypePushButton, {0, false, false}},
        {kOfxParamTypeParametric, {0, false, false}},
    };
    return types;
}

} // namespace

const ParamTypeInfo* findParamType(const std::string& type)
{
    auto it = paramTypes().find(type);
    return it == paramTypes().end() ? nullptr : &it->second;
}

const ParamTypeInfo& valueShape(const std::string& type)
{
    static const ParamTypeInfo none;
    const ParamTypeInfo* info = findParamType(type);
    return info ? *info : none;
}

void initParamDescriptorProps(PropertySet& p, const std::string& name, const std::string& type)
{
    const auto [n, numeric, integral] = valueShape(type);
    p.defineString(kOfxPropType, {kOfxTypeParameter}, 1);
    p.defineString(kOfxPropName, {name}, 1);
    p.defineString(kOfxPropLabel, {name}, 1);
    p.defineString(kOfxParamPropType, {type}, 1);
    p.defineInt(kOfxParamPropSecret, {0}, 1);
    p.defineString(kOfxParamPropHint, {""}, 1);
    p.defineString(kOfxParamPropScriptName, {name}, 1);
    p.defineString(kOfxParamPropParent, {""}, 1);
    p.defineInt(kOfxParamPropEnabled, {1}, 1);
    p.definePointer(kOfxParamPropDataPtr, {nullptr}, 1);

    if (type == kOfxParamTypePage) {
        p.defineString(kOfxParamPropPageChild, {});
        return;
    }
    if (type == kOfxParamTypeGroup) {
        p.defineInt(kOfxParamPropGroupOpen, {1}, 1);
        return;
    }
    if (type == kOfxParamTypePushButton)
        return;

    // Value parameters.
    const bool animates = numeric && type != kOfxParamTypeBoolean && type != kOfxParamTypeChoice;
    p.defineInt(kOfxParamPropAnimates, {animates ? 1 : 0}, 1);
    p.defineInt(kOfxParamPropIsAnimating, {0}, 1);
    p.defineInt(kOfxParamPropIsAutoKeying, {0}, 1);
    p.defineInt(kOfxParamPropPersistant, {1}, 1);
    p.defineInt(kOfxParamPropEvaluateOnChange, {1}, 1);
    p.defineInt(kOfxParamPropPluginMayWrite, {0}, 1);
    p.defineInt(kOfxParamPropCanUndo, {1}, 1);
    p.defineString(kOfxParamPropCacheInvalidation, {kOfxParamInvalidateValueChange}, 1);

    if (type == kOfxParamTypeParametric) {
        p.defineInt(kOfxParamPropAnimates, {1}, 1);
        p.defineInt(kOfxParamPropParametricDimension, {1}, 1);
        p.defineDouble(kOfxParamPropParametricRange, {0.0, 1.0}, 2);
        p.definePointer(kOfxParamPropParametricInteractBackground, {nullptr}, 1);
        return;
    }
    if (!numeric) {
        p.defineString(kOfxParamPropDefault, {""}, 1);
        if (type == kOfxParamTypeString) {
            p.defineString(kOfxParamPropStringMode, {kOfxParamStringIsSingleLine}, 1);
            p.defineInt(kOfxParamPropStringFilePathExists, {1}, 1);
        }
        if (type == kOfxParamTypeStrChoice) {
            p.defineString(kOfxParamPropChoiceOption, {});
            p.defineString(kOfxParamPropChoiceEnum, {});
        }
        return;
    }
    if (type == kOfxParamTypeChoice) {
        p.defineInt(kOfxParamPropDefault, {0}, 1);
        p.defineString(kOfxParamPropChoiceOption, {});
        return;
    }
    if (type == kOfxParamTypeBoolean) {
        p.defineInt(kOfxParamPropDefault, {0}, 1);
        return;
    }
    if (integral) {
        p.defineInt(kOfxParamPropDefault, std::vector<int>(n, 0), n);
        p.defineInt(kOfxParamPropMin, std::vector<int>(n, INT_MIN), n);
        p.defineInt(kOfxParamPropMax, std::vector<int>(n, INT_MAX), n);
        p.defineInt(kOfxParamPropDisplayMin, std::vector<int>(n, INT_MIN), n);
        p.defineInt(kOfxParamPropDisplayMax, std::vector<int>(n, INT_MAX), n);
        return;
    }
    p.defineDouble(kOfxParamPropDefault, std::vector<double>(n, 0.0), n);
    p.defineDouble(kOfxParamPropMin, std::vector<double>(n, -DBL_MAX), n);
    p.defineDouble(kOfxParamPropMax, std::vector<double>(n, DBL_MAX), n);
    p.defineDouble(kOfxParamPropDisplayMin, std::vector<double>(n, -DBL_MAX), n);
    p.defineDouble(kOfxParamPropDisplayMax, std::vector<double>(n, DBL_MAX), n);
    p.defineDouble(kOfxParamPropIncrement, {1.0}, 1);
    p.defineInt(kOfxParamPropDigits, {2}, 1);
    p.defineString(kOfxParamPropDoubleType, {kOfxParamDoubleTypePlain}, 1);
    p.defineString(kOfxParamPropDefaultCoordinateSystem, {kOfxParamCoordinatesCanonical}, 1);
    p.defineInt(kOfxParamPropShowTimeMarker, {0}, 1);
}

// --- images --------------------------------------------------------------------------------------
namespace {

struct LiveImage {
    std::unique_ptr<PropertySet> props;
    EffectObject* effect = nullptr;
    std::shared_ptr<const void> pixels;
};

std::mutex g_imageMutex;
std::unordered_map<PropertySet*, LiveImage> g_images;

} // namespace

PropertySet* registerImage(std::unique_ptr<PropertySet> image, EffectObject* effect,
                           std::shared_ptr<const void> owner)
{
    PropertySet* raw = image.get();
    std::lock_guard<std::mutex> lock(g_imageMutex);
    g_images.emplace(raw, LiveImage{std::move(image), effect, std::move(owner)});
    ++effect->liveImages;
    return raw;
}

OfxStatus releaseImage(OfxPropertySetHandle handle)
{
    LiveImage doomed; // freed outside the lock
    {
        std::lock_guard<std::mutex> lock(g_imageMutex);
        auto it = g_images.find(reinterpret_cast<PropertySet*>(handle));
        if (it == g_images.end())
            return kOfxStatErrBadHandle;
        doomed = std::move(it->second);
        --doomed.effect->liveImages;
        g_images.erase(it);
    }
    return kOfxStatOK;
}

void releaseImagesOf(EffectObject* effect)
{
    std::lock_guard<std::mutex> lock(g_imageMutex);
    for (auto it = g_images.begin(); it != g_images.end();) {
        if (it->second.effect == effect) {
            --effect->liveImages;
            it = g_images.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace ofxhost
