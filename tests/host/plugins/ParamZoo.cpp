// One parameter of every type the host defines. When told a parameter changed it reads the value
// back through the parameter suite, with the arguments its type takes, and notes it as text
// ("seen NAME") for the test.
#include "Effects.h"
#include "PluginKit.h"

#include <iterator>
#include <sstream>

namespace kit {
namespace {

struct Kind {
    const char* name;
    const char* type;
};
const Kind kParams[] = {
    {"count", kOfxParamTypeInteger},     {"amount", kOfxParamTypeDouble},
    {"enabled", kOfxParamTypeBoolean},   {"mode", kOfxParamTypeChoice},
    {"tint", kOfxParamTypeRGBA},         {"lift", kOfxParamTypeRGB},
    {"offset", kOfxParamTypeDouble2D},   {"grid", kOfxParamTypeInteger2D},
    {"axis", kOfxParamTypeDouble3D},     {"cells", kOfxParamTypeInteger3D},
    {"title", kOfxParamTypeString},      {"data", kOfxParamTypeCustom},
    {"flavour", kOfxParamTypeStrChoice}, {"reset", kOfxParamTypePushButton},
    {"more", kOfxParamTypeGroup},
};

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
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
    return kOfxStatOK;
}

std::string valueText(OfxParamHandle h, const std::string& type)
{
    std::ostringstream out;
    if (type == kOfxParamTypeDouble) {
        double v = 0;
        g_params->paramGetValue(h, &v);
        out << v;
    } else if (type == kOfxParamTypeInteger || type == kOfxParamTypeBoolean ||
               type == kOfxParamTypeChoice) {
        int v = 0;
        g_params->paramGetValue(h, &v);
        out << v;
    } else if (type == kOfxParamTypeDouble2D) {
        double x = 0, y = 0;
        g_params->paramGetValue(h, &x, &y);
        out << x << ',' << y;
    } else if (type == kOfxParamTypeInteger2D) {
        int x = 0, y = 0;
        g_params->paramGetValue(h, &x, &y);
        out << x << ',' << y;
    } else if (type == kOfxParamTypeDouble3D || type == kOfxParamTypeRGB) {
        double x = 0, y = 0, z = 0;
        g_params->paramGetValue(h, &x, &y, &z);
        out << x << ',' << y << ',' << z;
    } else if (type == kOfxParamTypeInteger3D) {
        int x = 0, y = 0, z = 0;
        g_params->paramGetValue(h, &x, &y, &z);
        out << x << ',' << y << ',' << z;
    } else if (type == kOfxParamTypeRGBA) {
        double r = 0, g = 0, b = 0, a = 0;
        g_params->paramGetValue(h, &r, &g, &b, &a);
        out << r << ',' << g << ',' << b << ',' << a;
    } else {
        const char* text = nullptr;
        if (g_params->paramGetValue(h, &text) == kOfxStatOK && text)
            out << text;
        else
            out << "(no value)";
    }
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
            note(effect, "seen " + name, valueText(param(effect, k.name), k.type));
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    describeEffect(effect, "Parameter Zoo", {kOfxImageEffectContextFilter});
    return kOfxStatOK;
}

const EffectSpec kSpec = {describe, describeInContext, nullptr, instanceChanged};

} // namespace

OfxPlugin* paramZoo()
{
    static OfxPlugin plugin = {kOfxImageEffectPluginApi, 1, "org.zelk.test.ParamZoo", 1, 0, setHost,
                               mainEntry<kSpec>};
    return &plugin;
}

} // namespace kit
