// Shows Source "offset" frames away; where Source has no frame there, transparent black.
#include "Effects.h"

namespace kit {
namespace {

int offset(OfxImageEffectHandle effect, double time)
{
    int o = 0;
    g_params->paramGetValueAtTime(param(effect, "offset"), time, &o);
    return o;
}

OfxStatus framesNeeded(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle in,
                       OfxPropertySetHandle out)
{
    if (!is(action, kOfxImageEffectActionGetFramesNeeded))
        return kOfxStatReplyDefault;
    const double t = timeArg(in);
    const double frames[2] = {t + offset(effect, t), t + offset(effect, t)};
    g_props->propSetDoubleN(out, "OfxImageClipPropFrameRange_Source", 2, frames);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    Image src, dst;
    if (fetch(effect, "Output", time, dst))
        return kOfxStatFailed;
    const OfxStatus fetched = fetch(effect, "Source", time + offset(effect, time), src);
    if (fetched != kOfxStatOK && fetched != kOfxStatFailed)
        return fetched;
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x)
            for (int c = 0; c < 4; ++c)
                dst.floatsAt(x, y)[c] =
                    fetched == kOfxStatOK && src.contains(x, y) ? src.floatsAt(x, y)[c] : 0.0f;
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    g_props->propSetInt(propsOf(effect), kOfxImageEffectPropTemporalClipAccess, 0, 1);
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    OfxPropertySetHandle source = defineClip(effect, "Source");
    g_props->propSetInt(source, kOfxImageEffectPropTemporalClipAccess, 0, 1);
    defineClip(effect, "Output");
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeInteger, "offset");
    g_props->propSetInt(p, kOfxParamPropDefault, 0, -1);
    return kOfxStatOK;
}

} // namespace

const EffectRecord kTimeOffset = {{"org.zelk.test.TimeOffset", 1, 0, "Time Offset"},
                                  {kOfxImageEffectContextFilter},
                                  {},
                                  {describe, describeInContext, render, framesNeeded}};

} // namespace kit
