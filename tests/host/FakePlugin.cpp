// A tiny OFX effect written straight against the C API, loaded by the host tests. It describes
// two clips and a few parameters, and its render multiplies Source by "gain" into Output, row by
// row across the host's threads, stopping at the first row where the host asks to abort. What it
// saw of the host it writes back into its instance properties for the tests to read.
#include <ofxImageEffect.h>
#include <ofxGPURender.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

OfxHost* g_host = nullptr;
const OfxPropertySuiteV1* g_props = nullptr;
const OfxImageEffectSuiteV1* g_effects = nullptr;
const OfxParameterSuiteV1* g_params = nullptr;
const OfxMessageSuiteV1* g_messages = nullptr;

bool is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

OfxStatus onLoad() {
    if (!g_host) return kOfxStatErrBadHandle;
    g_props = static_cast<const OfxPropertySuiteV1*>(g_host->fetchSuite(g_host->host, kOfxPropertySuite, 1));
    g_effects = static_cast<const OfxImageEffectSuiteV1*>(g_host->fetchSuite(g_host->host, kOfxImageEffectSuite, 1));
    g_params = static_cast<const OfxParameterSuiteV1*>(g_host->fetchSuite(g_host->host, kOfxParameterSuite, 1));
    g_messages = static_cast<const OfxMessageSuiteV1*>(g_host->fetchSuite(g_host->host, kOfxMessageSuite, 1));
    if (!g_props || !g_effects || !g_params || !g_messages) return kOfxStatErrMissingHostFeature;
    return kOfxStatOK;
}

OfxStatus describe(OfxImageEffectHandle effect) {
    OfxPropertySetHandle p;
    g_effects->getPropertySet(effect, &p);
    g_props->propSetString(p, kOfxPropLabel, 0, "Fake Gain");
    g_props->propSetString(p, kOfxImageEffectPropSupportedContexts, 0, kOfxImageEffectContextFilter);
    g_props->propSetString(p, kOfxImageEffectPropSupportedContexts, 1, kOfxImageEffectContextGeneral);
    g_props->propSetString(p, kOfxImageEffectPropSupportedContexts, 2, kOfxImageEffectContextGenerator);
    g_props->propSetString(p, kOfxImageEffectPropSupportedPixelDepths, 0, kOfxBitDepthFloat);
    // A host that knows no GPU properties refuses these; the effect carries on without them.
    g_props->propSetString(p, kOfxImageEffectPropOpenCLRenderSupported, 0, "true");
    g_props->propSetString(p, kOfxImageEffectPropCudaRenderSupported, 0, "false");
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs) {
    char* context = nullptr;
    if (g_props->propGetString(inArgs, kOfxImageEffectPropContext, 0, &context)) return kOfxStatFailed;
    OfxPropertySetHandle clip;
    g_effects->clipDefine(effect, "Source", &clip);
    g_props->propSetString(clip, kOfxImageEffectPropSupportedComponents, 0, kOfxImageComponentRGBA);
    g_effects->clipDefine(effect, "Output", &clip);
    g_props->propSetString(clip, kOfxImageEffectPropSupportedComponents, 0, kOfxImageComponentRGBA);

    OfxParamSetHandle params;
    g_effects->getParamSet(effect, &params);
    OfxPropertySetHandle p;
    g_params->paramDefine(params, kOfxParamTypeDouble, "gain", &p);
    g_props->propSetDouble(p, kOfxParamPropDefault, 0, 1.0);
    g_props->propSetDouble(p, kOfxParamPropMin, 0, 0.0);
    g_props->propSetDouble(p, kOfxParamPropMax, 0, 4.0);
    g_props->propSetString(p, kOfxParamPropHint, 0, "Multiplies the source");
    g_params->paramDefine(params, kOfxParamTypeChoice, "mode", &p);
    g_props->propSetString(p, kOfxParamPropChoiceOption, 0, "Fast");
    g_props->propSetString(p, kOfxParamPropChoiceOption, 1, "Good");
    g_props->propSetString(p, kOfxParamPropChoiceOption, 2, "Best");
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 1);
    g_params->paramDefine(params, kOfxParamTypeInteger, "steps", &p);
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 3);
    g_props->propSetInt(p, kOfxParamPropMin, 0, 1);
    g_props->propSetInt(p, kOfxParamPropMax, 0, 10);
    g_params->paramDefine(params, kOfxParamTypeBoolean, "invert", &p);
    g_params->paramDefine(params, kOfxParamTypeString, "note", &p);
    g_props->propSetString(p, kOfxParamPropDefault, 0, "hello");
    g_params->paramDefine(params, kOfxParamTypeDouble, "echo", &p);  // written by the effect itself
    g_params->paramDefine(params, kOfxParamTypePage, "Main", &p);
    g_props->propSetString(p, kOfxParamPropPageChild, 0, "gain");
    g_props->propSetString(p, kOfxParamPropPageChild, 1, "mode");
    // Remember the context the host described us in, per descriptor.
    OfxPropertySetHandle ep;
    g_effects->getPropertySet(effect, &ep);
    g_props->propSetString(ep, "FakeDescribedContext", 0, context);
    return kOfxStatOK;
}

OfxParamHandle param(OfxImageEffectHandle instance, const char* name) {
    OfxParamSetHandle params;
    OfxParamHandle h = nullptr;
    g_effects->getParamSet(instance, &params);
    g_params->paramGetHandle(params, name, &h, nullptr);
    return h;
}

struct RenderJob {
    OfxImageEffectHandle instance;
    char* src;
    char* dst;
    int srcRowBytes, dstRowBytes;
    OfxRectI srcBounds, dstBounds, window;
    float gain;
};

void renderRows(unsigned index, unsigned count, void* arg) {
    auto* job = static_cast<RenderJob*>(arg);
    const int rows = job->window.y2 - job->window.y1;
    const int first = job->window.y1 + static_cast<int>(static_cast<long>(rows) * index / count);
    const int last = job->window.y1 + static_cast<int>(static_cast<long>(rows) * (index + 1) / count);
    for (int y = first; y < last; ++y) {
        if (g_effects->abort(job->instance)) return;
        auto* s = reinterpret_cast<float*>(job->src + static_cast<long>(y - job->srcBounds.y1) * job->srcRowBytes);
        auto* d = reinterpret_cast<float*>(job->dst + static_cast<long>(y - job->dstBounds.y1) * job->dstRowBytes);
        for (int x = job->window.x1; x < job->window.x2; ++x)
            for (int c = 0; c < 4; ++c)
                d[(x - job->dstBounds.x1) * 4 + c] = s[(x - job->srcBounds.x1) * 4 + c] * job->gain;
    }
}

OfxStatus fetchImage(OfxImageEffectHandle instance, const char* clipName, double time, OfxPropertySetHandle* image) {
    OfxImageClipHandle clip;
    if (g_effects->clipGetHandle(instance, clipName, &clip, nullptr)) return kOfxStatErrBadHandle;
    return g_effects->clipGetImage(clip, time, nullptr, image);
}

void readImage(OfxPropertySetHandle image, char** data, int* rowBytes, OfxRectI* bounds) {
    void* p = nullptr;
    g_props->propGetPointer(image, kOfxImagePropData, 0, &p);
    *data = static_cast<char*>(p);
    g_props->propGetInt(image, kOfxImagePropRowBytes, 0, rowBytes);
    g_props->propGetIntN(image, kOfxImagePropBounds, 4, &bounds->x1);
}

OfxStatus render(OfxImageEffectHandle instance, OfxPropertySetHandle inArgs) {
    OfxPropertySetHandle ip;
    g_effects->getPropertySet(instance, &ip);
    double time = 0;
    RenderJob job{};
    job.instance = instance;
    g_props->propGetDouble(inArgs, kOfxPropTime, 0, &time);
    g_props->propGetIntN(inArgs, kOfxImageEffectPropRenderWindow, 4, &job.window.x1);
    // Report the GPU selection as seen (absent on a host without GPU properties).
    int enabled = -1;
    void* queue = nullptr;
    if (g_props->propGetInt(inArgs, kOfxImageEffectPropOpenCLEnabled, 0, &enabled) == kOfxStatOK) {
        g_props->propGetPointer(inArgs, kOfxImageEffectPropOpenCLCommandQueue, 0, &queue);
        g_props->propSetInt(ip, "FakeOpenCLEnabled", 0, enabled);
        g_props->propSetPointer(ip, "FakeOpenCLQueue", 0, queue);
        g_props->propGetInt(inArgs, kOfxImageEffectPropCudaEnabled, 0, &enabled);
        g_props->propGetPointer(inArgs, kOfxImageEffectPropCudaStream, 0, &queue);
        g_props->propSetInt(ip, "FakeCudaEnabled", 0, enabled);
        g_props->propSetPointer(ip, "FakeCudaStream", 0, queue);
    } else {
        g_props->propSetInt(ip, "FakeOpenCLEnabled", 0, -1);
    }

    double gain = 0;
    g_params->paramGetValueAtTime(param(instance, "gain"), time, &gain);
    job.gain = static_cast<float>(gain);

    OfxPropertySetHandle src = nullptr, dst = nullptr;
    if (fetchImage(instance, "Output", time, &dst) != kOfxStatOK) return kOfxStatFailed;
    if (fetchImage(instance, "Source", time, &src) != kOfxStatOK) {
        g_effects->clipReleaseImage(dst);
        g_messages->message(instance, kOfxMessageError, "fake.nosource", "no source image at %g", time);
        return kOfxStatFailed;
    }
    readImage(src, &job.src, &job.srcRowBytes, &job.srcBounds);
    readImage(dst, &job.dst, &job.dstRowBytes, &job.dstBounds);
    char* depth = nullptr;
    g_props->propGetString(dst, kOfxImageEffectPropPixelDepth, 0, &depth);
    OfxStatus st = kOfxStatOK;
    if (!is(depth, kOfxBitDepthFloat)) {
        st = kOfxStatErrImageFormat;
    } else {
        // Fetched through the host pointer at render time, as some effects do.
        auto* threads = static_cast<const OfxMultiThreadSuiteV1*>(
            g_host->fetchSuite(g_host->host, kOfxMultiThreadSuite, 1));
        unsigned cpus = 1;
        threads->multiThreadNumCPUs(&cpus);
        st = threads->multiThread(renderRows, cpus, &job);
    }
    g_effects->clipReleaseImage(src);
    g_effects->clipReleaseImage(dst);
    return st;
}

OfxStatus isIdentity(OfxImageEffectHandle instance, OfxPropertySetHandle inArgs, OfxPropertySetHandle outArgs) {
    double time = 0, gain = 0;
    g_props->propGetDouble(inArgs, kOfxPropTime, 0, &time);
    g_params->paramGetValueAtTime(param(instance, "gain"), time, &gain);
    if (gain != 1.0) return kOfxStatReplyDefault;
    g_props->propSetString(outArgs, kOfxPropName, 0, "Source");
    g_props->propSetDouble(outArgs, kOfxPropTime, 0, time + 1);
    return kOfxStatOK;
}

// A change of "gain" writes twice its value into "echo": a value the effect sets itself.
OfxStatus instanceChanged(OfxImageEffectHandle instance, OfxPropertySetHandle inArgs) {
    char* type = nullptr;
    char* name = nullptr;
    g_props->propGetString(inArgs, kOfxPropType, 0, &type);
    g_props->propGetString(inArgs, kOfxPropName, 0, &name);
    OfxPropertySetHandle ip;
    g_effects->getPropertySet(instance, &ip);
    g_props->propSetString(ip, "FakeLastChange", 0, (std::string(type) + ":" + name).c_str());
    if (is(type, kOfxTypeParameter) && is(name, "gain")) {
        double gain = 0;
        g_params->paramGetValue(param(instance, "gain"), &gain);
        return g_params->paramSetValue(param(instance, "echo"), gain * 2);
    }
    return kOfxStatOK;
}

OfxStatus mainEntry(const char* action, const void* handle, OfxPropertySetHandle inArgs, OfxPropertySetHandle outArgs) {
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    if (is(action, kOfxActionLoad)) return onLoad();
    if (is(action, kOfxActionDescribe)) return describe(effect);
    if (is(action, kOfxImageEffectActionDescribeInContext)) return describeInContext(effect, inArgs);
    if (is(action, kOfxImageEffectActionRender)) return render(effect, inArgs);
    if (is(action, kOfxImageEffectActionIsIdentity)) return isIdentity(effect, inArgs, outArgs);
    if (is(action, kOfxActionInstanceChanged)) return instanceChanged(effect, inArgs);
    if (is(action, kOfxActionCreateInstance)) {
        // Creation fails on request, so the tests can see the host's error.
        return std::getenv("FAKE_FAIL_CREATE") ? kOfxStatErrMemory : kOfxStatOK;
    }
    return kOfxStatReplyDefault;
}

void setHost(OfxHost* host) { g_host = host; }

OfxPlugin g_plugin = {kOfxImageEffectPluginApi, 1, "org.zelk.test.FakeGain", 2, 7, setHost, mainEntry};
OfxPlugin g_foreign = {"SomeOtherAPI", 1, "org.zelk.test.Foreign", 1, 0, setHost, mainEntry};

}  // namespace

extern "C" __attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void) { return 2; }
extern "C" __attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth) {
    return nth == 0 ? &g_plugin : nth == 1 ? &g_foreign : nullptr;
}
