// An 8-bit effect that trusts its host: it reads and writes bytes without looking at the images'
// depth, as simple effects do, and inverts red, green and blue.
#include "Effects.h"

namespace kit {
namespace {

unsigned char* bytesAt(const Image& image, int x, int y)
{
    return reinterpret_cast<unsigned char*>(image.data) +
           static_cast<long>(y - image.bounds.y1) * image.rowBytes + (x - image.bounds.x1) * 4;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    for (int y = f.window.y1; y < f.window.y2; ++y)
        for (int x = f.window.x1; x < f.window.x2; ++x) {
            const unsigned char* s = bytesAt(f.src, x, y);
            unsigned char* d = bytesAt(f.dst, x, y);
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<unsigned char>(255 - s[c]);
            d[3] = s[3];
        }
    return kOfxStatOK;
}

} // namespace

const EffectRecord kByteInvert = {{"org.zelk.test.ByteInvert", 1, 0, "Byte Invert"},
                                  {kOfxImageEffectContextFilter},
                                  {kOfxBitDepthByte},
                                  {nullptr, nullptr, render, nullptr}};

} // namespace kit
