// An 8-bit effect that trusts its host: it reads and writes bytes without looking at the images'
// depth, as simple effects do, and inverts red, green and blue.
#include "Effects.h"
#include "PluginKit.h"

namespace kit {
namespace {

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    Image src, dst;
    if (fetch(effect, "Output", time, dst) || fetch(effect, "Source", time, src))
        return kOfxStatFailed;
    for (int y = w.y1; y < w.y2; ++y) {
        const auto* s = reinterpret_cast<const unsigned char*>(src.data) +
                        static_cast<long>(y - src.bounds.y1) * src.rowBytes +
                        (w.x1 - src.bounds.x1) * 4;
        auto* d = reinterpret_cast<unsigned char*>(dst.data) +
                  static_cast<long>(y - dst.bounds.y1) * dst.rowBytes + (w.x1 - dst.bounds.x1) * 4;
        for (int x = w.x1; x < w.x2; ++x, s += 4, d += 4) {
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<unsigned char>(255 - s[c]);
            d[3] = s[3];
        }
    }
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    describeEffect(effect, "Byte Invert", {kOfxImageEffectContextFilter}, {kOfxBitDepthByte});
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    return kOfxStatOK;
}

const EffectSpec kSpec = {describe, describeInContext, render, nullptr};

} // namespace

OfxPlugin* byteInvert()
{
    static OfxPlugin plugin = {
        kOfxImageEffectPluginApi, 1, "org.zelk.test.ByteInvert", 1, 0, setHost, mainEntry<kSpec>};
    return &plugin;
}

} // namespace kit
