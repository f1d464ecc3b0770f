// Shows Source "offset" frames away; where Source has no frame there, transparent black.
#include "Effects.h"

namespace kit {
namespace {

OfxStatus framesNeeded(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle in,
                       OfxPropertySetHandle out)
{
    if (!is(action, kOfxImageEffectActionGetFramesNeeded))
        return kOfxStatReplyDefault;
    const double t = timeArg(in) + intAt(effect, "offset", timeArg(in));
    const double frames[2] = {t, t};
    g_props->propSetDoubleN(out, "OfxImageClipPropFrameRange_Source", 2, frames);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchOutput(effect, in, f))
        return kOfxStatFailed;
    const OfxStatus fetched =
        fetch(effect, "Source", f.time + intAt(effect, "offset", f.time), f.src);
    if (fetched != kOfxStatOK && fetched != kOfxStatFailed)
        return fetched;
    f.forEach([&](int x, int y) {
        for (int c = 0; c < 4; ++c)
            f.dst.floatsAt(x, y)[c] = fetched == kOfxStatOK ? f.src.sample(x, y, c) : 0.0f;
    });
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    g_props->propSetInt(propsOf(effect), kOfxImageEffectPropTemporalClipAccess, 0, 1);
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    g_props->propSetInt(defineClip(effect, "Source"), kOfxImageEffectPropTemporalClipAccess, 0, 1);
    defineClip(effect, "Output");
    g_props->propSetInt(defineParam(effect, kOfxParamTypeInteger, "offset"), kOfxParamPropDefault,
                        0, -1);
    return kOfxStatOK;
}

} // namespace

const EffectRecord kTimeOffset = {{"org.zelk.test.TimeOffset", 1, 0, "Time Offset"},
                                  {kOfxImageEffectContextFilter},
                                  {},
                                  {describe, describeInContext, render, framesNeeded}};

} // namespace kit
