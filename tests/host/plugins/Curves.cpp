// A bundle of one effect that maps red, green and blue through the three curves of a parametric
// parameter. The red curve's default, set on the descriptor, inverts; green and blue keep the
// identity the host starts them with. Without the parametric suite it cannot describe itself.
#include "PluginKit.h"

namespace kit {
namespace {

const OfxParametricParameterSuiteV1* g_curves = nullptr;

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
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    OfxParamHandle curve = param(effect, "curve");
    Image src, dst;
    if (fetch(effect, "Output", time, dst) || fetch(effect, "Source", time, src))
        return kOfxStatFailed;
    for (int y = w.y1; y < w.y2; ++y)
        for (int x = w.x1; x < w.x2; ++x) {
            const float* s = src.floatsAt(x, y);
            float* d = dst.floatsAt(x, y);
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                if (OfxStatus st = g_curves->parametricParamGetValue(curve, c, time, s[c], &v))
                    return st;
                d[c] = static_cast<float>(v);
            }
            d[3] = s[3];
        }
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    g_curves = static_cast<const OfxParametricParameterSuiteV1*>(
        fetchSuite(kOfxParametricParameterSuite, 1));
    describeEffect(effect, "Curves", {kOfxImageEffectContextFilter});
    return kOfxStatOK;
}

const EffectSpec kSpec = {describe, describeInContext, render, nullptr};

OfxPlugin g_plugin = {kOfxImageEffectPluginApi, 1, "org.zelk.test.Curves", 1, 0, setHost,
                      mainEntry<kSpec>};

} // namespace
} // namespace kit

extern "C" __attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void)
{
    return 1;
}

extern "C" __attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth)
{
    return nth == 0 ? &kit::g_plugin : nullptr;
}
