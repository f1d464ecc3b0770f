// Inverts Source where an optional Alpha mask is set, everywhere without one; a mask that is
// connected but gives no image fails the render.
#include "Effects.h"
#include "PluginKit.h"

namespace kit {
namespace {

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    OfxPropertySetHandle mask = defineClip(effect, "Mask", {kOfxImageComponentAlpha});
    g_props->propSetInt(mask, kOfxImageClipPropOptional, 0, 1);
    g_props->propSetInt(mask, kOfxImageClipPropIsMask, 0, 1);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    Image src, dst, mask;
    if (fetch(effect, "Output", time, dst) || fetch(effect, "Source", time, src))
        return kOfxStatFailed;
    const bool masked = connected(effect, "Mask");
    if (masked) {
        if (fetch(effect, "Mask", time, mask) != kOfxStatOK) {
            g_messages->message(effect, kOfxMessageError, "mask", "the mask gave no image");
            return kOfxStatFailed;
        }
        note(effect, "mask format", mask.depth + " " + mask.components);
        if (mask.components != kOfxImageComponentAlpha || mask.depth != kOfxBitDepthFloat)
            return kOfxStatErrImageFormat;
    }
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x) {
            const float* s = src.floatsAt(x, y);
            float* d = dst.floatsAt(x, y);
            const float m = !masked ? 1.0f : mask.contains(x, y) ? *mask.floatsAt(x, y) : 0.0f;
            for (int c = 0; c < 3; ++c)
                d[c] = s[c] * (1 - m) + (1 - s[c]) * m;
            d[3] = s[3];
        }
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    describeEffect(effect, "Masked Invert",
                   {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral});
    return kOfxStatOK;
}

const EffectSpec kSpec = {describe, describeInContext, render, nullptr};

} // namespace

OfxPlugin* maskedInvert()
{
    static OfxPlugin plugin = {
        kOfxImageEffectPluginApi, 1, "org.zelk.test.MaskedInvert", 1, 0, setHost, mainEntry<kSpec>};
    return &plugin;
}

} // namespace kit
