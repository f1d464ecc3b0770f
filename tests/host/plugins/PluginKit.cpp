#include "PluginKit.h"

namespace kit {

static OfxHost* g_host = nullptr;
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

OfxStatus describe(const EffectRecord& record, OfxImageEffectHandle effect)
{
    OfxPropertySetHandle p = propsOf(effect);
    g_props->propSetString(p, kOfxPropLabel, 0, record.name.label);
    setStrings(p, kOfxImageEffectPropSupportedContexts, record.contexts);
    setStrings(p, kOfxImageEffectPropSupportedPixelDepths,
               record.depths.empty() ? std::vector<const char*>{kOfxBitDepthFloat} : record.depths);
    return record.actions.describe ? record.actions.describe(effect) : kOfxStatOK;
}

} // namespace

OfxStatus dispatch(const EffectRecord& record, const char* action, const void* handle,
                   OfxPropertySetHandle in, OfxPropertySetHandle out)
{
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    if (record.actions.first) {
        const OfxStatus st = record.actions.first(action, effect, in, out);
        if (st != kOfxStatReplyDefault)
            return st;
    }
    if (is(action, kOfxActionLoad))
        return load();
    if (is(action, kOfxActionDescribe))
        return describe(record, effect);
    if (is(action, kOfxImageEffectActionDescribeInContext)) {
        if (record.actions.describeInContext)
            return record.actions.describeInContext(effect, in);
        defineSourceAndOutput(effect);
        return kOfxStatOK;
    }
    if (is(action, kOfxImageEffectActionRender) && record.actions.render)
        return record.actions.render(effect, in);
    return kOfxStatReplyDefault;
}

void setStrings(OfxPropertySetHandle p, const char* name, const std::vector<const char*>& values)
{
    for (size_t i = 0; i < values.size(); ++i)
        g_props->propSetString(p, name, int(i), values[i]);
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

void defineSourceAndOutput(OfxImageEffectHandle effect)
{
    defineClip(effect, kOfxImageEffectSimpleSourceClipName);
    defineClip(effect, kOfxImageEffectOutputClipName);
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

double doubleAt(OfxImageEffectHandle effect, const char* name, double time)
{
    double v = 0;
    g_params->paramGetValueAtTime(param(effect, name), time, &v);
    return v;
}

int intAt(OfxImageEffectHandle effect, const char* name, double time)
{
    int v = 0;
    g_params->paramGetValueAtTime(param(effect, name), time, &v);
    return v;
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

void note(OfxImageEffectHandle instance, const std::string& name, const std::string& value)
{
    g_props->propSetString(propsOf(instance), name.c_str(), 0, value.c_str());
}

Image::~Image()
{
    if (handle)
        g_effects->clipReleaseImage(handle);
}

int Image::pixelBytes() const
{
    const int channels = components == kOfxImageComponentRGBA  ? 4
                         : components == kOfxImageComponentRGB ? 3
                                                               : 1;
    return channels * (depth == kOfxBitDepthByte ? 1 : depth == kOfxBitDepthFloat ? 4 : 2);
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

OfxStatus fetchOutput(OfxImageEffectHandle effect, OfxPropertySetHandle in, Frame& frame)
{
    frame.time = timeArg(in);
    g_props->propGetIntN(in, kOfxImageEffectPropRenderWindow, 4, &frame.window.x1);
    return fetch(effect, kOfxImageEffectOutputClipName, frame.time, frame.dst);
}

OfxStatus fetchFrame(OfxImageEffectHandle effect, OfxPropertySetHandle in, Frame& frame)
{
    return fetchOutput(effect, in, frame) || fetch(effect, "Source", frame.time, frame.src)
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
