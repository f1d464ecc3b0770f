#include "PluginKit.h"

namespace kit {

OfxHost* g_host = nullptr;
const OfxPropertySuiteV1* g_props = nullptr;
const OfxImageEffectSuiteV1* g_effects = nullptr;
const OfxParameterSuiteV1* g_params = nullptr;
const OfxMessageSuiteV1* g_messages = nullptr;

void setHost(OfxHost* host)
{
    g_host = host;
}

const void* fetchSuite(const char* name, int version)
{
    return g_host ? g_host->fetchSuite(g_host->host, name, version) : nullptr;
}

OfxStatus load()
{
    g_props = static_cast<const OfxPropertySuiteV1*>(fetchSuite(kOfxPropertySuite, 1));
    g_effects = static_cast<const OfxImageEffectSuiteV1*>(fetchSuite(kOfxImageEffectSuite, 1));
    g_params = static_cast<const OfxParameterSuiteV1*>(fetchSuite(kOfxParameterSuite, 1));
    g_messages = static_cast<const OfxMessageSuiteV1*>(fetchSuite(kOfxMessageSuite, 1));
    return g_props && g_effects && g_params && g_messages ? kOfxStatOK
                                                          : kOfxStatErrMissingHostFeature;
}

OfxStatus dispatch(const EffectSpec& spec, const char* action, const void* handle,
                   OfxPropertySetHandle in, OfxPropertySetHandle out)
{
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    if (is(action, kOfxActionLoad))
        return load();
    if (is(action, kOfxActionDescribe) && spec.describe)
        return spec.describe(effect);
    if (is(action, kOfxImageEffectActionDescribeInContext) && spec.describeInContext)
        return spec.describeInContext(effect, in);
    if (is(action, kOfxImageEffectActionRender) && spec.render)
        return spec.render(effect, in);
    return spec.other ? spec.other(action, effect, in, out) : kOfxStatReplyDefault;
}

void setStrings(OfxPropertySetHandle p, const char* name, std::initializer_list<const char*> values)
{
    int i = 0;
    for (const char* v : values)
        g_props->propSetString(p, name, i++, v);
}

OfxPropertySetHandle propsOf(OfxImageEffectHandle effect)
{
    OfxPropertySetHandle p = nullptr;
    g_effects->getPropertySet(effect, &p);
    return p;
}

void describeEffect(OfxImageEffectHandle effect, const char* label,
                    std::initializer_list<const char*> contexts,
                    std::initializer_list<const char*> depths)
{
    OfxPropertySetHandle p = propsOf(effect);
    g_props->propSetString(p, kOfxPropLabel, 0, label);
    setStrings(p, kOfxImageEffectPropSupportedContexts, contexts);
    setStrings(p, kOfxImageEffectPropSupportedPixelDepths, depths);
}

OfxPropertySetHandle defineClip(OfxImageEffectHandle effect, const char* name,
                                std::initializer_list<const char*> components)
{
    OfxPropertySetHandle clip = nullptr;
    g_effects->clipDefine(effect, name, &clip);
    setStrings(clip, kOfxImageEffectPropSupportedComponents, components);
    return clip;
}

OfxPropertySetHandle defineParam(OfxImageEffectHandle effect, const char* type, const char* name)
{
    OfxParamSetHandle params = nullptr;
    OfxPropertySetHandle p = nullptr;
    g_effects->getParamSet(effect, &params);
    g_params->paramDefine(params, type, name, &p);
    return p;
}

OfxParamHandle param(OfxImageEffectHandle effect, const char* name)
{
    OfxParamSetHandle params = nullptr;
    OfxParamHandle h = nullptr;
    g_effects->getParamSet(effect, &params);
    g_params->paramGetHandle(params, name, &h, nullptr);
    return h;
}

std::string stringArg(OfxPropertySetHandle args, const char* name)
{
    char* value = nullptr;
    return g_props->propGetString(args, name, 0, &value) == kOfxStatOK && value ? value : "";
}

double timeArg(OfxPropertySetHandle args)
{
    double t = 0;
    g_props->propGetDouble(args, kOfxPropTime, 0, &t);
    return t;
}

OfxRectI renderWindow(OfxPropertySetHandle args)
{
    OfxRectI w{0, 0, 0, 0};
    g_props->propGetIntN(args, kOfxImageEffectPropRenderWindow, 4, &w.x1);
    return w;
}

void note(OfxImageEffectHandle instance, const std::string& name, const std::string& value)
{
    g_props->propSetString(propsOf(instance), name.c_str(), 0, value.c_str());
}

Image::~Image()
{
    if (handle)
        g_effects->clipReleaseImage(handle);
}

int Image::channels() const
{
    return components == kOfxImageComponentRGBA ? 4 : components == kOfxImageComponentRGB ? 3 : 1;
}

int Image::sampleBytes() const
{
    return depth == kOfxBitDepthByte ? 1 : depth == kOfxBitDepthFloat ? 4 : 2;
}

OfxStatus fetch(OfxImageEffectHandle effect, const char* clipName, double time, Image& image)
{
    OfxImageClipHandle clip = nullptr;
    if (OfxStatus st = g_effects->clipGetHandle(effect, clipName, &clip, nullptr))
        return st;
    if (OfxStatus st = g_effects->clipGetImage(clip, time, nullptr, &image.handle))
        return st;
    void* data = nullptr;
    g_props->propGetPointer(image.handle, kOfxImagePropData, 0, &data);
    image.data = static_cast<char*>(data);
    g_props->propGetInt(image.handle, kOfxImagePropRowBytes, 0, &image.rowBytes);
    image.depth = stringArg(image.handle, kOfxImageEffectPropPixelDepth);
    image.components = stringArg(image.handle, kOfxImageEffectPropComponents);
    return g_props->propGetIntN(image.handle, kOfxImagePropBounds, 4, &image.bounds.x1);
}

bool connected(OfxImageEffectHandle effect, const char* clipName)
{
    OfxImageClipHandle clip = nullptr;
    OfxPropertySetHandle props = nullptr;
    int value = 0;
    return g_effects->clipGetHandle(effect, clipName, &clip, &props) == kOfxStatOK &&
           g_props->propGetInt(props, kOfxImageClipPropConnected, 0, &value) == kOfxStatOK &&
           value != 0;
}

} // namespace kit
