// An 8-bit effect that trusts its host: it reads and writes bytes without looking at the images'
// depth, as simple effects do, and inverts red, green and blue.
#include "Effects.h"

namespace kit {
namespace {

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    f.forEach([&](int x, int y) {
        const auto* s = reinterpret_cast<const unsigned char*>(f.src.at(x, y));
        auto* d = reinterpret_cast<unsigned char*>(f.dst.at(x, y));
        for (int c = 0; c < 4; ++c)
            d[c] = static_cast<unsigned char>(c < 3 ? 255 - s[c] : s[c]);
    });
    return kOfxStatOK;
}

} // namespace

const EffectRecord kByteInvert = {{"org.zelk.test.ByteInvert", 1, 0, "Byte Invert"},
                                  {kOfxImageEffectContextFilter},
                                  {kOfxBitDepthByte},
                                  {nullptr, nullptr, render, nullptr}};

} // namespace kit
