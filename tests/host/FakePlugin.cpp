// A tiny OFX effect loaded by the host tests. It describes two clips, a page, a choice and double
// parameters; its render multiplies Source by "gain". What it saw of the host it writes back into
// its instance properties for the tests to read.
#include "plugins/PluginKit.h"

#include <ofxGPURender.h>

#include <cstdlib>
#include <string>

namespace kit {
namespace {

OfxStatus describe(OfxImageEffectHandle effect)
{
    // A host that knows no GPU properties refuses these; the effect carries on without them.
    g_props->propSetString(propsOf(effect), kOfxImageEffectPropOpenCLRenderSupported, 0, "true");
    g_props->propSetString(propsOf(effect), kOfxImageEffectPropCudaRenderSupported, 0, "false");
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const std::string context = stringArg(in, kOfxImageEffectPropContext);
    if (context.empty())
        return kOfxStatFailed;
    defineSourceAndOutput(effect);
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeDouble, "gain");
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 1.0);
    g_props->propSetDouble(p, kOfxParamPropMin, 0, 0.0);
    g_props->propSetDouble(p, kOfxParamPropMax, 0, 4.0);
    g_props->propSetString(p, kOfxParamPropHint, 0, "Multiplies the source");
    p = defineParam(effect, kOfxParamTypeChoice, "mode");
    setStrings(p, kOfxParamPropChoiceOption, {"Fast", "Good", "Best"});
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 1);
    defineParam(effect, kOfxParamTypeDouble, "echo"); // written by the effect itself
    setStrings(defineParam(effect, kOfxParamTypePage, "Main"), kOfxParamPropPageChild,
               {"gain", "mode"});
    // The context the host described us in, per descriptor.
    g_props->propSetString(propsOf(effect), "FakeDescribedContext", 0, context.c_str());
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle instance, OfxPropertySetHandle in)
{
    OfxPropertySetHandle seen = propsOf(instance);
    // The GPU selection as sent, under "seen " + its name: -1 and null where the host sent none.
    for (const char* flag : {kOfxImageEffectPropOpenCLEnabled, kOfxImageEffectPropCudaEnabled}) {
        int value = -1;
        g_props->propGetInt(in, flag, 0, &value);
        g_props->propSetInt(seen, (std::string("seen ") + flag).c_str(), 0, value);
    }
    for (const char* queue :
         {kOfxImageEffectPropOpenCLCommandQueue, kOfxImageEffectPropCudaStream}) {
        void* value = nullptr;
        g_props->propGetPointer(in, queue, 0, &value);
        g_props->propSetPointer(seen, (std::string("seen ") + queue).c_str(), 0, value);
    }
    Frame f;
    if (fetchFrame(instance, in, f)) {
        g_messages->message(instance, kOfxMessageError, "fake.nosource", "no source image at %g",
                            f.time);
        return kOfxStatFailed;
    }
    const float gain = static_cast<float>(doubleAt(instance, "gain", f.time));
    f.forEach([&](int x, int y) {
        for (int c = 0; c < 4; ++c)
            f.dst.floatsAt(x, y)[c] = f.src.floatsAt(x, y)[c] * gain;
    });
    return kOfxStatOK;
}

OfxStatus isIdentity(OfxImageEffectHandle instance, OfxPropertySetHandle in,
                     OfxPropertySetHandle out)
{
    const double time = timeArg(in);
    if (doubleAt(instance, "gain", time) != 1.0)
        return kOfxStatReplyDefault;
    g_props->propSetString(out, kOfxPropName, 0, "Source");
    g_props->propSetDouble(out, kOfxPropTime, 0, time + 1);
    return kOfxStatOK;
}

// Identity, instance changes and a creation that fails on request (so the tests can see the
// host's error). A change of "gain" writes twice its value into "echo": a value the effect sets
// itself.
OfxStatus first(const char* action, OfxImageEffectHandle instance, OfxPropertySetHandle in,
                OfxPropertySetHandle out)
{
    if (is(action, kOfxImageEffectActionIsIdentity))
        return isIdentity(instance, in, out);
    if (is(action, kOfxActionCreateInstance))
        return std::getenv("FAKE_FAIL_CREATE") ? kOfxStatErrMemory : kOfxStatOK;
    if (!is(action, kOfxActionInstanceChanged))
        return kOfxStatReplyDefault;
    if (stringArg(in, kOfxPropType) == kOfxTypeParameter && stringArg(in, kOfxPropName) == "gain") {
        double gain = 0;
        g_params->paramGetValue(param(instance, "gain"), &gain);
        return g_params->paramSetValue(param(instance, "echo"), gain * 2);
    }
    return kOfxStatOK;
}

const EffectRecord kFakeGain = {
    {"org.zelk.test.FakeGain", 2, 7, "Fake Gain"},
    {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral, kOfxImageEffectContextPaint},
    {},
    {describe, describeInContext, render, first}};

} // namespace
} // namespace kit

const std::vector<OfxPlugin*>& kit::bundle()
{
    // The second is of another API, which the host skips.
    static OfxPlugin foreign = {"SomeOtherAPI",      1, "org.zelk.test.Foreign", 1, 0, setHost,
                                mainEntry<kFakeGain>};
    static const std::vector<OfxPlugin*> all = {plugin<kFakeGain>(), &foreign};
    return all;
}
