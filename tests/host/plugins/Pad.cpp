// Surrounds Source with a "border" of a fixed colour: its region of definition is Source's grown
// by the border, and of Source it needs the region asked for less the border.
#include "Effects.h"

namespace kit {
namespace {

const float kFill[4] = {0.25f, 0.5f, 0.75f, 1.0f};

void grow(OfxRectD& r, double b)
{
    r = {r.x1 - b, r.y1 - b, r.x2 + b, r.y2 + b};
}

OfxStatus regions(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle in,
                  OfxPropertySetHandle out)
{
    const bool definition = is(action, kOfxImageEffectActionGetRegionOfDefinition);
    if (!definition && !is(action, kOfxImageEffectActionGetRegionsOfInterest))
        return kOfxStatReplyDefault;
    const double time = timeArg(in), border = intAt(effect, "border", time);
    OfxRectD rect{0, 0, 0, 0};
    if (definition) {
        OfxImageClipHandle source = nullptr;
        g_effects->clipGetHandle(effect, "Source", &source, nullptr);
        if (g_effects->clipGetRegionOfDefinition(source, time, &rect))
            return kOfxStatFailed;
        grow(rect, border);
        g_props->propSetDoubleN(out, kOfxImageEffectPropRegionOfDefinition, 4, &rect.x1);
        return kOfxStatOK;
    }
    g_props->propGetDoubleN(in, kOfxImageEffectPropRegionOfInterest, 4, &rect.x1);
    grow(rect, -border);
    g_props->propSetDoubleN(out, "OfxImageClipPropRoI_Source", 4, &rect.x1);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    f.forEach([&](int x, int y) {
        for (int c = 0; c < 4; ++c)
            f.dst.floatsAt(x, y)[c] = f.src.sample(x, y, c, kFill[c]);
    });
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineSourceAndOutput(effect);
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeInteger, "border");
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 4);
    g_props->propSetInt(p, kOfxParamPropMin, 0, 0);
    return kOfxStatOK;
}

} // namespace

const EffectRecord kPad = {{"org.zelk.test.Pad", 1, 0, "Pad"},
                           {kOfxImageEffectContextFilter},
                           {},
                           {nullptr, describeInContext, render, regions}};

} // namespace kit
