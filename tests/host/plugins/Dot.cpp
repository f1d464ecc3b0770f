// Paints a disc of "color" over Source: "center" (a position) and "radius" (a width) have
// normalised defaults, the middle of the project and a quarter of its width.
#include "Effects.h"

namespace kit {
namespace {

void normalisedDefault(OfxPropertySetHandle p, const char* doubleType)
{
    g_props->propSetString(p, kOfxParamPropDoubleType, 0, doubleType);
    g_props->propSetString(p, kOfxParamPropDefaultCoordinateSystem, 0,
                           kOfxParamCoordinatesNormalised);
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeDouble2D, "center");
    const double middle[2] = {0.5, 0.5};
    g_props->propSetDoubleN(p, kOfxParamPropDefault, 2, middle);
    normalisedDefault(p, kOfxParamDoubleTypeXYAbsolute);
    p = defineParam(effect, kOfxParamTypeDouble, "radius");
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 0.25);
    g_props->propSetDouble(p, kOfxParamPropMin, 0, 0.0);
    normalisedDefault(p, kOfxParamDoubleTypeX);
    p = defineParam(effect, kOfxParamTypeRGBA, "color");
    const double red[4] = {1, 0, 0, 1};
    g_props->propSetDoubleN(p, kOfxParamPropDefault, 4, red);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    double cx = 0, cy = 0, radius = 0, color[4] = {0, 0, 0, 0};
    g_params->paramGetValueAtTime(param(effect, "center"), f.time, &cx, &cy);
    g_params->paramGetValueAtTime(param(effect, "radius"), f.time, &radius);
    g_params->paramGetValueAtTime(param(effect, "color"), f.time, &color[0], &color[1], &color[2],
                                  &color[3]);
    for (int y = f.window.y1; y < f.window.y2; ++y)
        for (int x = f.window.x1; x < f.window.x2; ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const bool inside = dx * dx + dy * dy < radius * radius;
            for (int c = 0; c < 4; ++c)
                f.dst.floatsAt(x, y)[c] =
                    inside ? static_cast<float>(color[c]) : f.src.floatsAt(x, y)[c];
        }
    return kOfxStatOK;
}

} // namespace

const EffectRecord kDot = {{"org.zelk.test.Dot", 1, 0, "Dot"},
                           {kOfxImageEffectContextFilter},
                           {},
                           {nullptr, describeInContext, render, nullptr}};

} // namespace kit
