// Blends two inputs: A and B by "mix" in the general context, SourceFrom and SourceTo by
// "Transition" in the transition context. Outside an input's image that input is black.
#include "Effects.h"

namespace kit {
namespace {

struct Names {
    const char *a, *b, *mix;
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
    Frame f;
    Image& a = f.src;
    Image b;
    if (fetchOutput(effect, in, f) || fetch(effect, names.a, f.time, a) ||
        fetch(effect, names.b, f.time, b))
        return kOfxStatFailed;
    const double mix = doubleAt(effect, names.mix, f.time);
    f.forEach([&](int x, int y) {
        for (int c = 0; c < 4; ++c)
            f.dst.floatsAt(x, y)[c] =
                static_cast<float>(a.sample(x, y, c) * (1 - mix) + b.sample(x, y, c) * mix);
    });
    return kOfxStatOK;
}

} // namespace

const EffectRecord kMix = {{"org.zelk.test.Mix", 1, 0, "Mix"},
                           {kOfxImageEffectContextGeneral, kOfxImageEffectContextTransition},
                           {},
                           {nullptr, describeInContext, render, nullptr}};

} // namespace kit
