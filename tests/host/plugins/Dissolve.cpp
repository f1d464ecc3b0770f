// A transition: SourceFrom fades into SourceTo as the host moves "Transition" from 0 to 1;
// outside an input's image that input is black.
#include "Effects.h"

namespace kit {
namespace {

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, kOfxImageEffectTransitionSourceFromClipName);
    defineClip(effect, kOfxImageEffectTransitionSourceToClipName);
    defineClip(effect, kOfxImageEffectOutputClipName);
    OfxPropertySetHandle p =
        defineParam(effect, kOfxParamTypeDouble, kOfxImageEffectTransitionParamName);
    g_props->propSetDouble(p, kOfxParamPropMin, 0, 0.0);
    g_props->propSetDouble(p, kOfxParamPropMax, 0, 1.0);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    double t = 0;
    g_params->paramGetValueAtTime(param(effect, kOfxImageEffectTransitionParamName), time, &t);
    Image from, to, dst;
    if (fetch(effect, kOfxImageEffectOutputClipName, time, dst) ||
        fetch(effect, kOfxImageEffectTransitionSourceFromClipName, time, from) ||
        fetch(effect, kOfxImageEffectTransitionSourceToClipName, time, to))
        return kOfxStatFailed;
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x)
            for (int c = 0; c < 4; ++c) {
                const float a = from.contains(x, y) ? from.floatsAt(x, y)[c] : 0.0f;
                const float b = to.contains(x, y) ? to.floatsAt(x, y)[c] : 0.0f;
                dst.floatsAt(x, y)[c] = static_cast<float>(a * (1 - t) + b * t);
            }
    return kOfxStatOK;
}

} // namespace

const EffectSpec kDissolve = {{"org.zelk.test.Dissolve", 1, 0, "Dissolve"},
                              {kOfxImageEffectContextTransition},
                              {},
                              {nullptr, describeInContext, render, nullptr}};

} // namespace kit
