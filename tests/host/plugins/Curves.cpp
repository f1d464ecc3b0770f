// Maps red, green and blue through the three curves of a parametric parameter. The red curve's
// default, set on the descriptor, inverts; green and blue keep the identity the host starts them
// with. Without the parametric suite it cannot describe itself.
#include "Effects.h"

namespace kit {
namespace {

const OfxParametricParameterSuiteV1* g_curves = nullptr;

OfxStatus describe(OfxImageEffectHandle)
{
    g_curves = static_cast<const OfxParametricParameterSuiteV1*>(
        fetchSuite(kOfxParametricParameterSuite, 1));
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    if (!g_curves)
        return kOfxStatErrMissingHostFeature;
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    OfxParamSetHandle params = nullptr;
    g_effects->getParamSet(effect, &params);
    OfxPropertySetHandle p = nullptr;
    if (OfxStatus st = g_params->paramDefine(params, kOfxParamTypeParametric, "curve", &p))
        return st;
    g_props->propSetInt(p, kOfxParamPropParametricDimension, 0, 3);
    OfxParamHandle descriptor = nullptr;
    g_params->paramGetHandle(params, "curve", &descriptor, nullptr);
    g_curves->parametricParamAddControlPoint(descriptor, 0, 0.0, 0.0, 1.0, false);
    return g_curves->parametricParamAddControlPoint(descriptor, 0, 0.0, 1.0, 0.0, false);
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    OfxParamHandle curve = param(effect, "curve");
    for (int y = f.window.y1; y < f.window.y2; ++y)
        for (int x = f.window.x1; x < f.window.x2; ++x) {
            const float* s = f.src.floatsAt(x, y);
            float* d = f.dst.floatsAt(x, y);
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                if (OfxStatus st = g_curves->parametricParamGetValue(curve, c, f.time, s[c], &v))
                    return st;
                d[c] = static_cast<float>(v);
            }
            d[3] = s[3];
        }
    return kOfxStatOK;
}

} // namespace

const EffectRecord kCurves = {{"org.zelk.test.Curves", 1, 0, "Curves"},
                              {kOfxImageEffectContextFilter},
                              {},
                              {describe, describeInContext, render, nullptr}};

} // namespace kit
