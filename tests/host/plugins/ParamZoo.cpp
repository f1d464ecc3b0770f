// One parameter of every type the host defines, a parametric one included. When told a parameter
// changed it reads the value back through the parameter suite and notes it as text ("seen NAME").
#include "Effects.h"

#include <iterator>
#include <sstream>

namespace kit {
namespace {

// A parameter, its type, and how many numbers it holds (none: text or nothing), whole or not.
struct Kind {
    const char* name;
    const char* type;
    int components;
    bool whole;
};
const Kind kParams[] = {
    {"count", kOfxParamTypeInteger, 1, true},      {"amount", kOfxParamTypeDouble, 1, false},
    {"enabled", kOfxParamTypeBoolean, 1, true},    {"mode", kOfxParamTypeChoice, 1, true},
    {"tint", kOfxParamTypeRGBA, 4, false},         {"lift", kOfxParamTypeRGB, 3, false},
    {"offset", kOfxParamTypeDouble2D, 2, false},   {"grid", kOfxParamTypeInteger2D, 2, true},
    {"axis", kOfxParamTypeDouble3D, 3, false},     {"cells", kOfxParamTypeInteger3D, 3, true},
    {"title", kOfxParamTypeString, 0, false},      {"data", kOfxParamTypeCustom, 0, false},
    {"flavour", kOfxParamTypeStrChoice, 0, false}, {"reset", kOfxParamTypePushButton, 0, false},
    {"more", kOfxParamTypeGroup, 0, false},
};

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineSourceAndOutput(effect);
    OfxPropertySetHandle props[std::size(kParams)];
    for (size_t i = 0; i < std::size(kParams); ++i)
        props[i] = defineParam(effect, kParams[i].type, kParams[i].name);
    g_props->propSetInt(props[0], kOfxParamPropMin, 0, 0); // count
    g_props->propSetInt(props[0], kOfxParamPropMax, 0, 10);
    setStrings(props[3], kOfxParamPropChoiceOption, {"Fast", "Good", "Best"}); // mode
    const double lo[2] = {-100, -50}, hi[2] = {100, 50};                       // offset
    g_props->propSetDoubleN(props[6], kOfxParamPropMin, 2, lo);
    g_props->propSetDoubleN(props[6], kOfxParamPropMax, 2, hi);
    OfxPropertySetHandle p = props[12]; // flavour
    setStrings(p, kOfxParamPropChoiceOption, {"Vanilla", "Lemon Tart"});
    setStrings(p, kOfxParamPropChoiceEnum, {"vanilla", "lemon"});
    g_props->propSetString(p, kOfxParamPropDefault, 0, "vanilla");
    // Three curves; the red one's default, set on the descriptor, inverts.
    g_props->propSetInt(defineParam(effect, kOfxParamTypeParametric, "curve"),
                        kOfxParamPropParametricDimension, 0, 3);
    auto* curves = static_cast<const OfxParametricParameterSuiteV1*>(
        fetchSuite(kOfxParametricParameterSuite, 1));
    if (!curves)
        return kOfxStatErrMissingHostFeature;
    curves->parametricParamAddControlPoint(param(effect, "curve"), 0, 0.0, 0.0, 1.0, false);
    curves->parametricParamAddControlPoint(param(effect, "curve"), 0, 0.0, 1.0, 0.0, false);
    return kOfxStatOK;
}

// The value read through the suite as ints, doubles (the suite takes as many as the type holds)
// or text.
std::string valueText(OfxParamHandle h, const Kind& k)
{
    std::ostringstream out;
    int whole[4] = {0, 0, 0, 0};
    double real[4] = {0, 0, 0, 0};
    const char* text = nullptr;
    if (k.components == 0)
        out << (g_params->paramGetValue(h, &text) == kOfxStatOK && text ? text : "(no value)");
    else if (k.whole)
        g_params->paramGetValue(h, &whole[0], &whole[1], &whole[2], &whole[3]);
    else
        g_params->paramGetValue(h, &real[0], &real[1], &real[2], &real[3]);
    for (int c = 0; c < k.components; ++c)
        out << (c ? "," : "") << (k.whole ? whole[c] : real[c]);
    return out.str();
}

OfxStatus instanceChanged(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle in,
                          OfxPropertySetHandle)
{
    if (!is(action, kOfxActionInstanceChanged))
        return kOfxStatReplyDefault;
    const std::string name = stringArg(in, kOfxPropName);
    for (const Kind& k : kParams)
        if (name == k.name)
            note(effect, "seen " + name, valueText(param(effect, k.name), k));
    return kOfxStatOK;
}

} // namespace

const EffectRecord kParamZoo = {{"org.zelk.test.ParamZoo", 1, 0, "Parameter Zoo"},
                                {kOfxImageEffectContextFilter},
                                {},
                                {nullptr, describeInContext, nullptr, instanceChanged}};

} // namespace kit
