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
    defineSourceAndOutput(effect);
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeDouble2D, "center");
    const double middle[2] = {0.5, 0.5};
    g_props->propSetDoubleN(p, kOfxParamPropDefault, 2, middle);
    normalisedDefault(p, kOfxParamDoubleTypeXYAbsolute);
    p = defineParam(effect, kOfxParamTypeDouble, "radius");
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 0.25);
    normalisedDefault(p, kOfxParamDoubleTypeX);
    const double red[4] = {1, 0, 0, 1};
    g_props->propSetDoubleN(defineParam(effect, kOfxParamTypeRGBA, "color"), kOfxParamPropDefault,
                            4, red);
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    const double radius = doubleAt(effect, "radius", f.time);
    double cx = 0, cy = 0, color[4] = {0, 0, 0, 0};
    g_params->paramGetValueAtTime(param(effect, "center"), f.time, &cx, &cy);
    g_params->paramGetValueAtTime(param(effect, "color"), f.time, &color[0], &color[1], &color[2],
                                  &color[3]);
    f.forEach([&](int x, int y) {
        const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        const bool inside = dx * dx + dy * dy < radius * radius;
        for (int c = 0; c < 4; ++c)
            f.dst.floatsAt(x, y)[c] = inside ? static_cast<float>(color[c]) : f.src.sample(x, y, c);
    });
    return kOfxStatOK;
}

} // namespace

const EffectRecord kDot = {{"org.zelk.test.Dot", 1, 0, "Dot"},
                           {kOfxImageEffectContextFilter},
                           {},
                           {nullptr, describeInContext, render, nullptr}};

} // namespace kit
