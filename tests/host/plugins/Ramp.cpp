// A generator: red ramps across the project's width, green is the time over 100.
#include "Effects.h"

namespace kit {
namespace {

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, kOfxImageEffectOutputClipName);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    double width = 0;
    g_props->propGetDouble(propsOf(effect), kOfxImageEffectPropProjectSize, 0, &width);
    Frame f;
    if (width <= 0 || fetchOutput(effect, in, f))
        return kOfxStatFailed;
    f.forEach([&](int x, int y) {
        const float rgba[4] = {static_cast<float>((x + 0.5) / width),
                               static_cast<float>(f.time / 100), 0.5f, 1.0f};
        std::memcpy(f.dst.floatsAt(x, y), rgba, sizeof rgba);
    });
    return kOfxStatOK;
}

} // namespace

const EffectRecord kRamp = {{"org.zelk.test.Ramp", 1, 0, "Ramp"},
                            {kOfxImageEffectContextGenerator},
                            {},
                            {nullptr, describeInContext, render, nullptr}};

} // namespace kit
