// Surrounds Source with a "border" of a fixed colour: its region of definition is Source's grown
// by the border, and of Source it needs the region asked for less the border.
#include "Effects.h"

namespace kit {
namespace {

const float kFill[4] = {0.25f, 0.5f, 0.75f, 1.0f};

int border(OfxImageEffectHandle effect, double time)
{
    int b = 0;
    g_params->paramGetValueAtTime(param(effect, "border"), time, &b);
    return b;
}

OfxStatus regionOfDefinition(OfxImageEffectHandle effect, OfxPropertySetHandle in,
                             OfxPropertySetHandle out)
{
    const double time = timeArg(in);
    OfxImageClipHandle source = nullptr;
    OfxRectD rod{0, 0, 0, 0};
    g_effects->clipGetHandle(effect, "Source", &source, nullptr);
    if (g_effects->clipGetRegionOfDefinition(source, time, &rod) != kOfxStatOK)
        return kOfxStatFailed;
    const double b = border(effect, time);
    const double grown[4] = {rod.x1 - b, rod.y1 - b, rod.x2 + b, rod.y2 + b};
    g_props->propSetDoubleN(out, kOfxImageEffectPropRegionOfDefinition, 4, grown);
    return kOfxStatOK;
}

OfxStatus regionsOfInterest(OfxImageEffectHandle effect, OfxPropertySetHandle in,
                            OfxPropertySetHandle out)
{
    double roi[4] = {0, 0, 0, 0};
    g_props->propGetDoubleN(in, kOfxImageEffectPropRegionOfInterest, 4, roi);
    const double b = border(effect, timeArg(in));
    const double needed[4] = {roi[0] + b, roi[1] + b, roi[2] - b, roi[3] - b};
    g_props->propSetDoubleN(out, "OfxImageClipPropRoI_Source", 4, needed);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    for (int y = f.window.y1; y < f.window.y2; ++y)
        for (int x = f.window.x1; x < f.window.x2; ++x)
            for (int c = 0; c < 4; ++c)
                f.dst.floatsAt(x, y)[c] = f.src.contains(x, y) ? f.src.floatsAt(x, y)[c] : kFill[c];
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeInteger, "border");
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 4);
    g_props->propSetInt(p, kOfxParamPropMin, 0, 0);
    return kOfxStatOK;
}

OfxStatus regions(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle in,
                  OfxPropertySetHandle out)
{
    if (is(action, kOfxImageEffectActionGetRegionOfDefinition))
        return regionOfDefinition(effect, in, out);
    if (is(action, kOfxImageEffectActionGetRegionsOfInterest))
        return regionsOfInterest(effect, in, out);
    return kOfxStatReplyDefault;
}

} // namespace

const EffectRecord kPad = {{"org.zelk.test.Pad", 1, 0, "Pad"},
                           {kOfxImageEffectContextFilter},
                           {},
                           {nullptr, describeInContext, render, regions}};

} // namespace kit
