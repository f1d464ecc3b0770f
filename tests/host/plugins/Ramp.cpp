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
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    double width = 0;
    g_props->propGetDouble(propsOf(effect), kOfxImageEffectPropProjectSize, 0, &width);
    Image dst;
    if (width <= 0 || fetch(effect, kOfxImageEffectOutputClipName, time, dst))
        return kOfxStatFailed;
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x) {
            float* p = dst.floatsAt(x, y);
            p[0] = static_cast<float>((x + 0.5) / width);
            p[1] = static_cast<float>(time / 100);
            p[2] = 0.5f;
            p[3] = 1.0f;
        }
    return kOfxStatOK;
}

} // namespace

const EffectRecord kRamp = {{"org.zelk.test.Ramp", 1, 0, "Ramp"},
                            {kOfxImageEffectContextGenerator},
                            {},
                            {nullptr, describeInContext, render, nullptr}};

} // namespace kit
