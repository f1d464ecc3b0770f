#include "FakeHost.h"

namespace fakehost {

Host* Host::current = nullptr;

namespace {

Effect& E(OfxImageEffectHandle h)
{
    return *reinterpret_cast<Effect*>(h);
}
Effect& E(OfxParamSetHandle h)
{
    return *reinterpret_cast<Effect*>(h);
}

// Only the calls the support layer makes in these tests; the rest stay null.
OfxImageEffectSuiteV1 makeEffectSuite()
{
    OfxImageEffectSuiteV1 s{};
    s.getPropertySet = [](OfxImageEffectHandle h, OfxPropertySetHandle* p) {
        *p = E(h).props.handle();
        return kOfxStatOK;
    };
    s.getParamSet = [](OfxImageEffectHandle h, OfxParamSetHandle* p) {
        *p = reinterpret_cast<OfxParamSetHandle>(h);
        return kOfxStatOK;
    };
    s.clipGetHandle = [](OfxImageEffectHandle h, const char* name, OfxImageClipHandle* c,
                         OfxPropertySetHandle* p) {
        auto it = E(h).clips.find(name);
        if (it == E(h).clips.end())
            return kOfxStatErrUnknown;
        *c = reinterpret_cast<OfxImageClipHandle>(&it->second);
        if (p)
            *p = it->second.props.handle();
        return kOfxStatOK;
    };
    s.clipGetImage = [](OfxImageClipHandle c, OfxTime, const OfxRectD*,
                        OfxPropertySetHandle* image) {
        Clip& clip = *reinterpret_cast<Clip*>(c);
        if (!clip.image)
            return kOfxStatFailed;
        *image = clip.image->handle();
        return kOfxStatOK;
    };
    s.clipReleaseImage = [](OfxPropertySetHandle) {
        ++Host::current->releasedImages;
        return kOfxStatOK;
    };
    return s;
}

OfxParameterSuiteV1 makeParamSuite()
{
    OfxParameterSuiteV1 s{};
    s.paramGetHandle = [](OfxParamSetHandle ps, const char* name, OfxParamHandle* h,
                          OfxPropertySetHandle* p) {
        auto it = E(ps).params.find(name);
        if (it == E(ps).params.end())
            return kOfxStatErrUnknown;
        *h = reinterpret_cast<OfxParamHandle>(&it->second);
        if (p)
            *p = it->second.handle();
        return kOfxStatOK;
    };
    s.paramSetGetPropertySet = [](OfxParamSetHandle ps, OfxPropertySetHandle* p) {
        *p = E(ps).paramSetProps.handle();
        return kOfxStatOK;
    };
    s.paramGetPropertySet = [](OfxParamHandle h, OfxPropertySetHandle* p) {
        *p = reinterpret_cast<Props*>(h)->handle();
        return kOfxStatOK;
    };
    return s;
}

const OfxImageEffectSuiteV1 kEffectSuite = makeEffectSuite();
const OfxParameterSuiteV1 kParamSuite = makeParamSuite();

} // namespace

const void* Host::fetchSuite(OfxPropertySetHandle, const char* name, int version)
{
    Host& host = *current;
    const std::string n = name;
    if (host.missingSuites.count(n + "/" + std::to_string(version)))
        return nullptr;
    if (version == 1 && n == kOfxImageEffectSuite)
        return &kEffectSuite;
    if (version == 1 && n == kOfxParameterSuite)
        return &kParamSuite;
    if (version == 1 && n == kOfxMultiThreadSuite)
        return &host._threadSuite;
    OfxHost* real = host.real.ofxHost();
    return real->fetchSuite(real->host, name, version);
}

Host::Host()
{
    current = this;
    _ofxHost.host = hostProps.handle();
    _ofxHost.fetchSuite = fetchSuite;
    OfxHost* real = this->real.ofxHost();
    _threadSuite = *static_cast<const OfxMultiThreadSuiteV1*>(
        real->fetchSuite(real->host, kOfxMultiThreadSuite, 1));
    _threadSuite.multiThreadNumCPUs = [](unsigned int* n) {
        if (current->numCPUsFails)
            return kOfxStatFailed;
        OfxHost* h = current->real.ofxHost();
        auto* suite = static_cast<const OfxMultiThreadSuiteV1*>(
            h->fetchSuite(h->host, kOfxMultiThreadSuite, 1));
        return suite->multiThreadNumCPUs(n);
    };
}

Host::~Host()
{
    if (_loaded)
        action(kOfxActionUnload, nullptr);
    current = nullptr;
}

OfxStatus Host::load()
{
    OfxPlugin* plugin = OfxGetPlugin(0);
    plugin->setHost(&_ofxHost);
    OfxStatus s = action(kOfxActionLoad, nullptr);
    _loaded = s == kOfxStatOK;
    return s;
}

OfxStatus Host::action(const char* name, void* handle, OfxPropertySetHandle in,
                       OfxPropertySetHandle out)
{
    return OfxGetPlugin(0)->mainEntry(name, handle, in, out);
}

Effect& Host::makeInstanceEffect()
{
    _effects.emplace_back(new Effect);
    Effect& e = *_effects.back();
    e.props.defineString(kOfxPropType, {kOfxTypeImageEffectInstance});
    e.props.defineString(kOfxImageEffectPropContext, {kOfxImageEffectContextFilter});
    e.props.definePointer(kOfxPropInstanceData, {nullptr});
    for (const char* name : {kOfxImageEffectSimpleSourceClipName, kOfxImageEffectOutputClipName})
        e.clips[name].props.defineString(kOfxPropName, {name});
    e.params["gain"].defineString(kOfxParamPropType, {kOfxParamTypeDouble});
    return e;
}

float* Host::attachImage(Effect& effect, const std::string& clip, OfxRectI bounds, int rowBytes)
{
    Clip& c = effect.clips.at(clip);
    const int height = bounds.y2 - bounds.y1;
    c.pixels.assign(static_cast<size_t>(bounds.x2 - bounds.x1) * height * 4, 0.0f);
    c.image.reset(new Props);
    Props& p = *c.image;
    p.defineString(kOfxImageEffectPropComponents, {kOfxImageComponentRGBA});
    p.defineString(kOfxImageEffectPropPixelDepth, {kOfxBitDepthFloat});
    p.defineString(kOfxImageEffectPropPreMultiplication, {kOfxImagePreMultiplied});
    p.defineString(kOfxImagePropField, {kOfxImageFieldNone});
    p.defineString(kOfxImagePropUniqueIdentifier, {"img"});
    p.defineDouble(kOfxImagePropPixelAspectRatio, {1.0});
    p.defineDouble(kOfxImageEffectPropRenderScale, {1.0, 1.0});
    p.defineInt(kOfxImagePropRegionOfDefinition, {bounds.x1, bounds.y1, bounds.x2, bounds.y2});
    p.defineInt(kOfxImagePropBounds, {bounds.x1, bounds.y1, bounds.x2, bounds.y2});
    p.defineInt(kOfxImagePropRowBytes, {rowBytes});
    // The data pointer names the bottom row; bottom-up, that row is stored last.
    unsigned char* data = reinterpret_cast<unsigned char*>(c.pixels.data());
    if (rowBytes < 0)
        data += static_cast<size_t>(height - 1) * static_cast<size_t>(-rowBytes);
    p.definePointer(kOfxImagePropData, {data});
    return c.pixels.data();
}

} // namespace fakehost
