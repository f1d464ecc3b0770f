#include "PluginKit.h"

namespace kit {

namespace {
OfxHost* g_host = nullptr;
} // namespace

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

namespace {

OfxStatus load()
{
    g_props = static_cast<const OfxPropertySuiteV1*>(fetchSuite(kOfxPropertySuite, 1));
    g_effects = static_cast<const OfxImageEffectSuiteV1*>(fetchSuite(kOfxImageEffectSuite, 1));
    g_params = static_cast<const OfxParameterSuiteV1*>(fetchSuite(kOfxParameterSuite, 1));
    g_messages = static_cast<const OfxMessageSuiteV1*>(fetchSuite(kOfxMessageSuite, 1));
    return g_props && g_effects && g_params && g_messages ? kOfxStatOK
                                                          : kOfxStatErrMissingHostFeature;
}

void setStringList(OfxPropertySetHandle p, const char* name, const std::vector<const char*>& values)
{
    for (size_t i = 0; i < values.size(); ++i)
        g_props->propSetString(p, name, int(i), values[i]);
}

OfxStatus describe(const EffectRecord& record, OfxImageEffectHandle effect)
{
    OfxPropertySetHandle p = propsOf(effect);
    g_props->propSetString(p, kOfxPropLabel, 0, record.name.label);
    setStringList(p, kOfxImageEffectPropSupportedContexts, record.contexts);
    setStringList(p, kOfxImageEffectPropSupportedPixelDepths,
                  record.depths.empty() ? std::vector<const char*>{kOfxBitDepthFloat}
                                        : record.depths);
    return record.actions.describe ? record.actions.describe(effect) : kOfxStatOK;
}

} // namespace

OfxStatus dispatch(const EffectRecord& record, const char* action, const void* handle,
                   OfxPropertySetHandle in, OfxPropertySetHandle out)
{
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    const EffectRecord::Actions& does = record.actions;
    if (does.first) {
        const OfxStatus st = does.first(action, effect, in, out);
        if (st != kOfxStatReplyDefault)
            return st;
    }
    if (is(action, kOfxActionLoad))
        return load();
    if (is(action, kOfxActionDescribe))
        return describe(record, effect);
    if (is(action, kOfxImageEffectActionDescribeInContext)) {
        if (does.describeInContext)
            return does.describeInContext(effect, in);
        defineClip(effect, "Source");
        defineClip(effect, "Output");
        return kOfxStatOK;
    }
    if (is(action, kOfxImageEffectActionRender) && does.render)
        return does.render(effect, in);
    return kOfxStatReplyDefault;
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

OfxStatus fetchFrame(OfxImageEffectHandle effect, OfxPropertySetHandle in, Frame& frame)
{
    frame.time = timeArg(in);
    frame.window = renderWindow(in);
    return fetch(effect, "Output", frame.time, frame.dst) ||
                   fetch(effect, "Source", frame.time, frame.src)
               ? kOfxStatFailed
               : kOfxStatOK;
}

} // namespace kit

extern "C" __attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void)
{
    return int(kit::bundle().size());
}

extern "C" __attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth)
{
    return nth >= 0 && nth < OfxGetNumberOfPlugins() ? kit::bundle()[size_t(nth)] : nullptr;
}
