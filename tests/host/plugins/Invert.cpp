// Inverts Source. Version 1.0 keeps alpha, version 2.3 inverts it too and describes itself over
// several lines. In the general context it has a "strength" to blend towards the inverse.
#include "Effects.h"
#include "PluginKit.h"

namespace kit {
namespace {

OfxStatus describe(OfxImageEffectHandle effect, bool second)
{
    describeEffect(effect, "Invert", {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral});
    if (second)
        g_props->propSetString(propsOf(effect), kOfxPropPluginDescription, 0,
                               "Inverts colour and alpha.\nSecond line:\t\"quoted\"\x01");
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    if (stringArg(in, kOfxImageEffectPropContext) == kOfxImageEffectContextGeneral) {
        OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeDouble, "strength");
        g_props->propSetDouble(p, kOfxParamPropDefault, 0, 1.0);
    }
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in, bool second)
{
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    double k = 1.0;
    if (OfxParamHandle strength = param(effect, "strength"))
        g_params->paramGetValueAtTime(strength, time, &k);
    Image src, dst;
    if (fetch(effect, "Output", time, dst) || fetch(effect, "Source", time, src))
        return kOfxStatFailed;
    const int inverted = second ? 4 : 3;
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x)
            for (int c = 0; c < 4; ++c) {
                const float s = src.floatsAt(x, y)[c];
                dst.floatsAt(x, y)[c] =
                    c < inverted ? static_cast<float>(s * (1 - k) + (1 - s) * k) : s;
            }
    return kOfxStatOK;
}

template <bool Second>
OfxStatus mainEntry(const char* action, const void* handle, OfxPropertySetHandle in,
                    OfxPropertySetHandle)
{
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    if (is(action, kOfxActionLoad))
        return load();
    if (is(action, kOfxActionDescribe))
        return describe(effect, Second);
    if (is(action, kOfxImageEffectActionDescribeInContext))
        return describeInContext(effect, in);
    if (is(action, kOfxImageEffectActionRender))
        return render(effect, in, Second);
    return kOfxStatReplyDefault;
}

} // namespace

OfxPlugin* invert(int version)
{
    static OfxPlugin first = {kOfxImageEffectPluginApi, 1, "org.zelk.test.Invert", 1, 0, setHost,
                              mainEntry<false>};
    static OfxPlugin second = {kOfxImageEffectPluginApi, 1, "org.zelk.test.Invert", 2, 3, setHost,
                               mainEntry<true>};
    return version == 1 ? &first : &second;
}

} // namespace kit
