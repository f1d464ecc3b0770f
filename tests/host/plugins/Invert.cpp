// Inverts Source. Version 1.0 keeps alpha, version 2.3 inverts it too and describes itself over
// several lines. In the general context it has a "strength" to blend towards the inverse.
#include "Effects.h"

namespace kit {
namespace {

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    defineSourceAndOutput(effect);
    if (stringArg(in, kOfxImageEffectPropContext) == kOfxImageEffectContextGeneral)
        g_props->propSetDouble(defineParam(effect, kOfxParamTypeDouble, "strength"),
                               kOfxParamPropDefault, 0, 1.0);
    return kOfxStatOK;
}

// Inverts the first `Channels` channels.
template <int Channels> OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    const double k = param(effect, "strength") ? doubleAt(effect, "strength", f.time) : 1.0;
    f.forEach([&](int x, int y) {
        for (int c = 0; c < 4; ++c) {
            const float s = f.src.floatsAt(x, y)[c];
            f.dst.floatsAt(x, y)[c] =
                c < Channels ? static_cast<float>(s * (1 - k) + (1 - s) * k) : s;
        }
    });
    return kOfxStatOK;
}

OfxStatus describeSecond(OfxImageEffectHandle effect)
{
    g_props->propSetString(propsOf(effect), kOfxPropPluginDescription, 0,
                           "Inverts colour and alpha.\nSecond line:\t\"quoted\"\x01");
    return kOfxStatOK;
}

const std::vector<const char*> kContexts = {kOfxImageEffectContextFilter,
                                            kOfxImageEffectContextGeneral};

} // namespace

const EffectRecord kInvert1 = {{"org.zelk.test.Invert", 1, 0, "Invert"},
                               kContexts,
                               {},
                               {nullptr, describeInContext, render<3>, nullptr}};
const EffectRecord kInvert2 = {{"org.zelk.test.Invert", 2, 3, "Invert"},
                               kContexts,
                               {},
                               {describeSecond, describeInContext, render<4>, nullptr}};

} // namespace kit
