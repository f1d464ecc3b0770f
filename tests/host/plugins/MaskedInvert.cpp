// Inverts Source where an optional Alpha mask is set, everywhere without one; a mask that is
// connected but gives no image fails the render.
#include "Effects.h"

namespace kit {
namespace {

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineSourceAndOutput(effect);
    OfxPropertySetHandle mask = defineClip(effect, "Mask", {kOfxImageComponentAlpha});
    g_props->propSetInt(mask, kOfxImageClipPropOptional, 0, 1);
    g_props->propSetInt(mask, kOfxImageClipPropIsMask, 0, 1);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    Image mask;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    const bool masked = connected(effect, "Mask");
    if (masked) {
        if (fetch(effect, "Mask", f.time, mask) != kOfxStatOK) {
            g_messages->message(effect, kOfxMessageError, "mask", "the mask gave no image");
            return kOfxStatFailed;
        }
        note(effect, "mask format", mask.depth + " " + mask.components);
        if (mask.components != kOfxImageComponentAlpha || mask.depth != kOfxBitDepthFloat)
            return kOfxStatErrImageFormat;
    }
    f.forEach([&](int x, int y) {
        const float* s = f.src.floatsAt(x, y);
        float* d = f.dst.floatsAt(x, y);
        const float m = masked ? mask.sample(x, y, 0) : 1.0f;
        for (int c = 0; c < 3; ++c)
            d[c] = s[c] * (1 - m) + (1 - s[c]) * m;
        d[3] = s[3];
    });
    return kOfxStatOK;
}

} // namespace

const EffectRecord kMaskedInvert = {{"org.zelk.test.MaskedInvert", 1, 0, "Masked Invert"},
                                    {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral},
                                    {},
                                    {nullptr, describeInContext, render, nullptr}};

} // namespace kit
