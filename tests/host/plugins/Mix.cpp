// Blends two inputs: A and B by "mix" in the general context, SourceFrom and SourceTo by
// "Transition" in the transition context. Outside an input's image that input is black.
#include "Effects.h"

namespace kit {
namespace {

struct Names {
    const char* a;
    const char* b;
    const char* mix;
};

Names namesIn(const std::string& context)
{
    if (context == kOfxImageEffectContextTransition)
        return {kOfxImageEffectTransitionSourceFromClipName,
                kOfxImageEffectTransitionSourceToClipName, kOfxImageEffectTransitionParamName};
    return {"A", "B", "mix"};
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const Names names = namesIn(stringArg(in, kOfxImageEffectPropContext));
    defineClip(effect, names.a);
    defineClip(effect, names.b);
    defineClip(effect, kOfxImageEffectOutputClipName);
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeDouble, names.mix);
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 0.5);
    g_props->propSetDouble(p, kOfxParamPropMin, 0, 0.0);
    g_props->propSetDouble(p, kOfxParamPropMax, 0, 1.0);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const Names names = namesIn(stringArg(propsOf(effect), kOfxImageEffectPropContext));
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    double mix = 0;
    g_params->paramGetValueAtTime(param(effect, names.mix), time, &mix);
    Image a, b, dst;
    if (fetch(effect, kOfxImageEffectOutputClipName, time, dst) ||
        fetch(effect, names.a, time, a) || fetch(effect, names.b, time, b))
        return kOfxStatFailed;
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x)
            for (int c = 0; c < 4; ++c) {
                const float va = a.contains(x, y) ? a.floatsAt(x, y)[c] : 0.0f;
                const float vb = b.contains(x, y) ? b.floatsAt(x, y)[c] : 0.0f;
                dst.floatsAt(x, y)[c] = static_cast<float>(va * (1 - mix) + vb * mix);
            }
    return kOfxStatOK;
}

} // namespace

const EffectRecord kMix = {{"org.zelk.test.Mix", 1, 0, "Mix"},
                           {kOfxImageEffectContextGeneral, kOfxImageEffectContextTransition},
                           {},
                           {nullptr, describeInContext, render, nullptr}};

} // namespace kit
