// A tiny OFX effect written straight against the C API, loaded by the host tests. It describes
// two clips, a page and choice, integer and double parameters, and its render multiplies Source by
// "gain" into Output, row by row across the host's threads. What it saw of the host it writes back
// into its instance properties for the tests to read.
#include <ofxGPURender.h>
#include <ofxImageEffect.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

OfxHost* g_host = nullptr;
const OfxPropertySuiteV1* g_props = nullptr;
const OfxImageEffectSuiteV1* g_effects = nullptr;
const OfxParameterSuiteV1* g_params = nullptr;
const OfxMessageSuiteV1* g_messages = nullptr;

bool is(const char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

template <typename Suite> const Suite* fetch(const char* name)
{
    return static_cast<const Suite*>(g_host->fetchSuite(g_host->host, name, 1));
}

OfxStatus onLoad()
{
    if (!g_host)
        return kOfxStatErrBadHandle;
    g_props = fetch<OfxPropertySuiteV1>(kOfxPropertySuite);
    g_effects = fetch<OfxImageEffectSuiteV1>(kOfxImageEffectSuite);
    g_params = fetch<OfxParameterSuiteV1>(kOfxParameterSuite);
    g_messages = fetch<OfxMessageSuiteV1>(kOfxMessageSuite);
    return g_props && g_effects && g_params && g_messages ? kOfxStatOK
                                                          : kOfxStatErrMissingHostFeature;
}

void setStrings(OfxPropertySetHandle p, const char* name, std::initializer_list<const char*> values)
{
    int i = 0;
    for (const char* v : values)
        g_props->propSetString(p, name, i++, v);
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    OfxPropertySetHandle p;
    g_effects->getPropertySet(effect, &p);
    g_props->propSetString(p, kOfxPropLabel, 0, "Fake Gain");
    setStrings(p, kOfxImageEffectPropSupportedContexts,
               {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral,
                kOfxImageEffectContextGenerator});
    g_props->propSetString(p, kOfxImageEffectPropSupportedPixelDepths, 0, kOfxBitDepthFloat);
    // A host that knows no GPU properties refuses these; the effect carries on without them.
    g_props->propSetString(p, kOfxImageEffectPropOpenCLRenderSupported, 0, "true");
    g_props->propSetString(p, kOfxImageEffectPropCudaRenderSupported, 0, "false");
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs)
{
    char* context = nullptr;
    if (g_props->propGetString(inArgs, kOfxImageEffectPropContext, 0, &context))
        return kOfxStatFailed;
    for (const char* name : {"Source", "Output"}) {
        OfxPropertySetHandle clip;
        g_effects->clipDefine(effect, name, &clip);
        g_props->propSetString(clip, kOfxImageEffectPropSupportedComponents, 0,
                               kOfxImageComponentRGBA);
    }

    OfxParamSetHandle params;
    g_effects->getParamSet(effect, &params);
    OfxPropertySetHandle p;
    g_params->paramDefine(params, kOfxParamTypeDouble, "gain", &p);
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 1.0);
    g_props->propSetDouble(p, kOfxParamPropMin, 0, 0.0);
    g_props->propSetDouble(p, kOfxParamPropMax, 0, 4.0);
    g_props->propSetString(p, kOfxParamPropHint, 0, "Multiplies the source");
    g_params->paramDefine(params, kOfxParamTypeChoice, "mode", &p);
    setStrings(p, kOfxParamPropChoiceOption, {"Fast", "Good", "Best"});
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 1);
    g_params->paramDefine(params, kOfxParamTypeInteger, "steps", &p);
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 3);
    g_props->propSetInt(p, kOfxParamPropMin, 0, 1);
    g_props->propSetInt(p, kOfxParamPropMax, 0, 10);
    g_params->paramDefine(params, kOfxParamTypeDouble, "echo", &p); // written by the effect itself
    g_params->paramDefine(params, kOfxParamTypePage, "Main", &p);
    setStrings(p, kOfxParamPropPageChild, {"gain", "mode"});
    // Remember the context the host described us in, per descriptor.
    OfxPropertySetHandle ep;
    g_effects->getPropertySet(effect, &ep);
    g_props->propSetString(ep, "FakeDescribedContext", 0, context);
    return kOfxStatOK;
}

OfxParamHandle param(OfxImageEffectHandle instance, const char* name)
{
    OfxParamSetHandle params;
    OfxParamHandle h = nullptr;
    g_effects->getParamSet(instance, &params);
    g_params->paramGetHandle(params, name, &h, nullptr);
    return h;
}

struct Image {
    OfxPropertySetHandle handle = nullptr;
    char* data = nullptr;
    int rowBytes = 0;
    OfxRectI bounds{};
    float* at(int x, int y) const
    {
        return reinterpret_cast<float*>(data + static_cast<long>(y - bounds.y1) * rowBytes) +
               (x - bounds.x1) * 4;
    }
};

OfxStatus fetchImage(OfxImageEffectHandle instance, const char* clipName, double time, Image& image)
{
    OfxImageClipHandle clip;
    if (g_effects->clipGetHandle(instance, clipName, &clip, nullptr))
        return kOfxStatErrBadHandle;
    if (OfxStatus st = g_effects->clipGetImage(clip, time, nullptr, &image.handle))
        return st;
    void* data = nullptr;
    g_props->propGetPointer(image.handle, kOfxImagePropData, 0, &data);
    image.data = static_cast<char*>(data);
    g_props->propGetInt(image.handle, kOfxImagePropRowBytes, 0, &image.rowBytes);
    return g_props->propGetIntN(image.handle, kOfxImagePropBounds, 4, &image.bounds.x1);
}

struct RenderJob {
    Image src, dst;
    OfxRectI window;
    float gain;
};

// Thread `index` of `count` takes every count-th row of the window.
void renderRows(unsigned index, unsigned count, void* arg)
{
    const auto* job = static_cast<const RenderJob*>(arg);
    for (int y = job->window.y1 + static_cast<int>(index); y < job->window.y2;
         y += static_cast<int>(count)) {
        const float* s = job->src.at(job->window.x1, y);
        float* d = job->dst.at(job->window.x1, y);
        for (int i = 0; i < (job->window.x2 - job->window.x1) * 4; ++i)
            d[i] = s[i] * job->gain;
    }
}

OfxStatus render(OfxImageEffectHandle instance, OfxPropertySetHandle inArgs)
{
    OfxPropertySetHandle ip;
    g_effects->getPropertySet(instance, &ip);
    double time = 0;
    RenderJob job{};
    g_props->propGetDouble(inArgs, kOfxPropTime, 0, &time);
    g_props->propGetIntN(inArgs, kOfxImageEffectPropRenderWindow, 4, &job.window.x1);
    // The GPU selection as sent, under "seen " + its name: -1 and null where the host sent none.
    for (const char* flag : {kOfxImageEffectPropOpenCLEnabled, kOfxImageEffectPropCudaEnabled}) {
        int value = -1;
        g_props->propGetInt(inArgs, flag, 0, &value);
        g_props->propSetInt(ip, (std::string("seen ") + flag).c_str(), 0, value);
    }
    for (const char* queue :
         {kOfxImageEffectPropOpenCLCommandQueue, kOfxImageEffectPropCudaStream}) {
        void* value = nullptr;
        g_props->propGetPointer(inArgs, queue, 0, &value);
        g_props->propSetPointer(ip, (std::string("seen ") + queue).c_str(), 0, value);
    }

    double gain = 0;
    g_params->paramGetValueAtTime(param(instance, "gain"), time, &gain);
    job.gain = static_cast<float>(gain);

    if (fetchImage(instance, "Output", time, job.dst) != kOfxStatOK)
        return kOfxStatFailed;
    if (fetchImage(instance, "Source", time, job.src) != kOfxStatOK) {
        g_effects->clipReleaseImage(job.dst.handle);
        g_messages->message(instance, kOfxMessageError, "fake.nosource", "no source image at %g",
                            time);
        return kOfxStatFailed;
    }
    // Fetched through the host pointer at render time, as some effects do.
    auto* threads = fetch<OfxMultiThreadSuiteV1>(kOfxMultiThreadSuite);
    unsigned cpus = 1;
    threads->multiThreadNumCPUs(&cpus);
    const OfxStatus st = threads->multiThread(renderRows, cpus, &job);
    g_effects->clipReleaseImage(job.src.handle);
    g_effects->clipReleaseImage(job.dst.handle);
    return st;
}

OfxStatus isIdentity(OfxImageEffectHandle instance, OfxPropertySetHandle inArgs,
                     OfxPropertySetHandle outArgs)
{
    double time = 0, gain = 0;
    g_props->propGetDouble(inArgs, kOfxPropTime, 0, &time);
    g_params->paramGetValueAtTime(param(instance, "gain"), time, &gain);
    if (gain != 1.0)
        return kOfxStatReplyDefault;
    g_props->propSetString(outArgs, kOfxPropName, 0, "Source");
    g_props->propSetDouble(outArgs, kOfxPropTime, 0, time + 1);
    return kOfxStatOK;
}

// A change of "gain" writes twice its value into "echo": a value the effect sets itself.
OfxStatus instanceChanged(OfxImageEffectHandle instance, OfxPropertySetHandle inArgs)
{
    char* type = nullptr;
    char* name = nullptr;
    g_props->propGetString(inArgs, kOfxPropType, 0, &type);
    g_props->propGetString(inArgs, kOfxPropName, 0, &name);
    if (is(type, kOfxTypeParameter) && is(name, "gain")) {
        double gain = 0;
        g_params->paramGetValue(param(instance, "gain"), &gain);
        return g_params->paramSetValue(param(instance, "echo"), gain * 2);
    }
    return kOfxStatOK;
}

OfxStatus mainEntry(const char* action, const void* handle, OfxPropertySetHandle inArgs,
                    OfxPropertySetHandle outArgs)
{
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    if (is(action, kOfxActionLoad))
        return onLoad();
    if (is(action, kOfxActionDescribe))
        return describe(effect);
    if (is(action, kOfxImageEffectActionDescribeInContext))
        return describeInContext(effect, inArgs);
    if (is(action, kOfxImageEffectActionRender))
        return render(effect, inArgs);
    if (is(action, kOfxImageEffectActionIsIdentity))
        return isIdentity(effect, inArgs, outArgs);
    if (is(action, kOfxActionInstanceChanged))
        return instanceChanged(effect, inArgs);
    if (is(action, kOfxActionCreateInstance)) {
        // Creation fails on request, so the tests can see the host's error.
        return std::getenv("FAKE_FAIL_CREATE") ? kOfxStatErrMemory : kOfxStatOK;
    }
    return kOfxStatReplyDefault;
}

void setHost(OfxHost* host)
{
    g_host = host;
}

OfxPlugin g_plugin = {
    kOfxImageEffectPluginApi, 1, "org.zelk.test.FakeGain", 2, 7, setHost, mainEntry};
OfxPlugin g_foreign = {"SomeOtherAPI", 1, "org.zelk.test.Foreign", 1, 0, setHost, mainEntry};

} // namespace

extern "C" __attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void)
{
    return 2;
}
extern "C" __attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth)
{
    return nth == 0 ? &g_plugin : nth == 1 ? &g_foreign : nullptr;
}
