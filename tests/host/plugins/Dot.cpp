// Paints a disc of "color" over Source: "center" (a position) and "radius" (a width) have
// normalised defaults, the middle of the project and a quarter of its width.
#include "Effects.h"
#include "PluginKit.h"

namespace kit {
namespace {

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeDouble2D, "center");
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 0.5);
    g_props->propSetDouble(p, kOfxParamPropDefault, 1, 0.5);
    g_props->propSetString(p, kOfxParamPropDoubleType, 0, kOfxParamDoubleTypeXYAbsolute);
    g_props->propSetString(p, kOfxParamPropDefaultCoordinateSystem, 0,
                           kOfxParamCoordinatesNormalised);
    p = defineParam(effect, kOfxParamTypeDouble, "radius");
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 0.25);
    g_props->propSetDouble(p, kOfxParamPropMin, 0, 0.0);
    g_props->propSetString(p, kOfxParamPropDoubleType, 0, kOfxParamDoubleTypeX);
    g_props->propSetString(p, kOfxParamPropDefaultCoordinateSystem, 0,
                           kOfxParamCoordinatesNormalised);
    p = defineParam(effect, kOfxParamTypeRGBA, "color");
    const double red[4] = {1, 0, 0, 1};
    g_props->propSetDoubleN(p, kOfxParamPropDefault, 4, red);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    double cx = 0, cy = 0, radius = 0, color[4] = {0, 0, 0, 0};
    g_params->paramGetValueAtTime(param(effect, "center"), time, &cx, &cy);
    g_params->paramGetValueAtTime(param(effect, "radius"), time, &radius);
    g_params->paramGetValueAtTime(param(effect, "color"), time, &color[0], &color[1], &color[2],
                                  &color[3]);
    Image src, dst;
    if (fetch(effect, "Output", time, dst) || fetch(effect, "Source", time, src))
        return kOfxStatFailed;
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const bool inside = dx * dx + dy * dy < radius * radius;
            for (int c = 0; c < 4; ++c)
                dst.floatsAt(x, y)[c] =
                    inside ? static_cast<float>(color[c]) : src.floatsAt(x, y)[c];
        }
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    describeEffect(effect, "Dot", {kOfxImageEffectContextFilter});
    return kOfxStatOK;
}

const EffectSpec kSpec = {describe, describeInContext, render, nullptr};

} // namespace

OfxPlugin* dot()
{
    static OfxPlugin plugin = {kOfxImageEffectPluginApi, 1, "org.zelk.test.Dot", 1, 0, setHost,
                               mainEntry<kSpec>};
    return &plugin;
}

} // namespace kit
