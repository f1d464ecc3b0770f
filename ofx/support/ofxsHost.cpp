// The host side of the support layer: the OfxHost pointer, the suites fetched at
// load and the host's capabilities.
#include "ofxsCore.h"
#include "ofxsLog.h"
#include "ofxsSupportPrivate.h"

#include <memory>
#include <mutex>

namespace OFX {
namespace Private {

OfxHost* gHost = nullptr;
const OfxPropertySuiteV1* gPropSuite = nullptr;
const OfxImageEffectSuiteV1* gEffectSuite = nullptr;
const OfxParameterSuiteV1* gParamSuite = nullptr;
const OfxMemorySuiteV1* gMemorySuite = nullptr;
const OfxMultiThreadSuiteV1* gThreadSuite = nullptr;
const OfxMessageSuiteV1* gMessageSuite = nullptr;
const OfxMessageSuiteV2* gMessageSuiteV2 = nullptr;
const OfxProgressSuiteV1* gProgressSuiteV1 = nullptr;
const OfxProgressSuiteV2* gProgressSuiteV2 = nullptr;
const OfxTimeLineSuiteV1* gTimeLineSuite = nullptr;

namespace {
std::mutex gLoadMutex;
int gLoadCount = 0;
std::unique_ptr<ImageEffectHostDescription> gHostDescription;

template <typename T> const T& required(const T* suite, const char* name)
{
    if (suite == nullptr)
        throw Exception::HostInadequate(name);
    return *suite;
}

bool enumIsTrue(const PropertySet& host, const char* property)
{
    return host.propGetString(property, false) == "true";
}

ImageEffectHostDescription readHostDescription()
{
    PropertySet host(gHost->host);
    ImageEffectHostDescription d;

    // What the layer relies on: a host that cannot answer these fails the load.
    d.hostName = host.propGetString(kOfxPropName);
    d.hostLabel = host.propGetString(kOfxPropLabel);
    d.hostIsBackground = host.propGetInt(kOfxImageEffectHostPropIsBackground) != 0;
    d.supportsOverlays = host.propGetInt(kOfxImageEffectPropSupportsOverlays) != 0;
    d.supportsMultiResolution = host.propGetInt(kOfxImageEffectPropSupportsMultiResolution) != 0;
    d.supportsTiles = host.propGetInt(kOfxImageEffectPropSupportsTiles) != 0;
    d.temporalClipAccess = host.propGetInt(kOfxImageEffectPropTemporalClipAccess) != 0;
    d.supportsMultipleClipDepths =
        host.propGetInt(kOfxImageEffectPropSupportsMultipleClipDepths) != 0;
    d.supportsMultipleClipPARs = host.propGetInt(kOfxImageEffectPropSupportsMultipleClipPARs) != 0;
    d.supportsSetableFrameRate = host.propGetInt(kOfxImageEffectPropSetableFrameRate) != 0;
    d.supportsSetableFielding = host.propGetInt(kOfxImageEffectPropSetableFielding) != 0;
    d.supportsStringAnimation = host.propGetInt(kOfxParamHostPropSupportsStringAnimation) != 0;
    d.supportsCustomInteract = host.propGetInt(kOfxParamHostPropSupportsCustomInteract) != 0;
    d.supportsChoiceAnimation = host.propGetInt(kOfxParamHostPropSupportsChoiceAnimation) != 0;
    d.supportsBooleanAnimation = host.propGetInt(kOfxParamHostPropSupportsBooleanAnimation) != 0;
    d.supportsCustomAnimation = host.propGetInt(kOfxParamHostPropSupportsCustomAnimation) != 0;
    d.maxParameters = host.propGetInt(kOfxParamHostPropMaxParameters);
    d.maxPages = host.propGetInt(kOfxParamHostPropMaxPages);
    d.pageRowCount = host.propGetInt(kOfxParamHostPropPageRowColumnCount, 0);
    d.pageColumnCount = host.propGetInt(kOfxParamHostPropPageRowColumnCount, 1);

    int n = host.propGetDimension(kOfxImageEffectPropSupportedComponents);
    for (int i = 0; i < n; ++i)
        d._supportedComponents.push_back(mapPixelComponentStringToEnum(
            host.propGetString(kOfxImageEffectPropSupportedComponents, i)));
    n = host.propGetDimension(kOfxImageEffectPropSupportedContexts);
    for (int i = 0; i < n; ++i)
        d._supportedContexts.push_back(
            mapContextStringToEnum(host.propGetString(kOfxImageEffectPropSupportedContexts, i)));
    n = host.propGetDimension(kOfxImageEffectPropSupportedPixelDepths);
    for (int i = 0; i < n; ++i)
        d._supportedPixelDepths.push_back(mapBitDepthStringToEnum(
            host.propGetString(kOfxImageEffectPropSupportedPixelDepths, i)));

    // Optional: absent means the older API or "not supported".
    if (host.propGetDimension(kOfxPropAPIVersion, false) > 0) {
        d.APIVersionMajor = host.propGetInt(kOfxPropAPIVersion, 0, false);
        if (d.APIVersionMajor == 0)
            d.APIVersionMajor = 1;
        d.APIVersionMinor = host.propGetInt(kOfxPropAPIVersion, 1, false);
    }
    d.versionMajor = host.propGetInt(kOfxPropVersion, 0, false);
    d.versionMinor = host.propGetInt(kOfxPropVersion, 1, false);
    d.versionMicro = host.propGetInt(kOfxPropVersion, 2, false);
    d.versionLabel = host.propGetString(kOfxPropVersionLabel, false);
    d.sequentialRender = host.propGetInt(kOfxImageEffectInstancePropSequentialRender, false);
    d.supportsParametricAnimation =
        host.propGetInt(kOfxParamHostPropSupportsParametricAnimation, false) != 0;
    d.supportsRenderQualityDraft =
        host.propGetInt(kOfxImageEffectPropRenderQualityDraft, false) != 0;
    d.supportsOpenCLRender = enumIsTrue(host, kOfxImageEffectPropOpenCLRenderSupported);
    d.supportsOpenCLImagesRender = enumIsTrue(host, kOfxImageEffectPropOpenCLSupported);
    d.supportsCudaRender = enumIsTrue(host, kOfxImageEffectPropCudaRenderSupported);
    d.supportsCudaStream = enumIsTrue(host, kOfxImageEffectPropCudaStreamSupported);
    d.supportsMetalRender = enumIsTrue(host, kOfxImageEffectPropMetalRenderSupported);
    return d;
}

void clearSuites()
{
    gPropSuite = nullptr;
    gEffectSuite = nullptr;
    gParamSuite = nullptr;
    gMemorySuite = nullptr;
    gThreadSuite = nullptr;
    gMessageSuite = nullptr;
    gMessageSuiteV2 = nullptr;
    gProgressSuiteV1 = nullptr;
    gProgressSuiteV2 = nullptr;
    gTimeLineSuite = nullptr;
}

template <typename T> const T* fetch(const char* name, int version, bool optional)
{
    return static_cast<const T*>(OFX::fetchSuite(name, version, optional));
}
} // namespace

void setHost(OfxHost* host)
{
    gHost = host;
}

const OfxPropertySuiteV1& propSuite()
{
    return required(gPropSuite, kOfxPropertySuite);
}
const OfxImageEffectSuiteV1& effectSuite()
{
    return required(gEffectSuite, kOfxImageEffectSuite);
}
const OfxParameterSuiteV1& paramSuite()
{
    return required(gParamSuite, kOfxParameterSuite);
}

void loadAction()
{
    std::lock_guard<std::mutex> lock(gLoadMutex);
    if (gHost == nullptr)
        throw Exception::Suite(kOfxStatErrBadHandle);
    if (gLoadCount == 0) {
        try {
            gEffectSuite = fetch<OfxImageEffectSuiteV1>(kOfxImageEffectSuite, 1, false);
            gPropSuite = fetch<OfxPropertySuiteV1>(kOfxPropertySuite, 1, false);
            gParamSuite = fetch<OfxParameterSuiteV1>(kOfxParameterSuite, 1, false);
            gMemorySuite = fetch<OfxMemorySuiteV1>(kOfxMemorySuite, 1, false);
            gThreadSuite = fetch<OfxMultiThreadSuiteV1>(kOfxMultiThreadSuite, 1, false);
            gMessageSuite = fetch<OfxMessageSuiteV1>(kOfxMessageSuite, 1, false);
            gMessageSuiteV2 = fetch<OfxMessageSuiteV2>(kOfxMessageSuite, 2, true);
            gProgressSuiteV1 = fetch<OfxProgressSuiteV1>(kOfxProgressSuite, 1, true);
            gProgressSuiteV2 = fetch<OfxProgressSuiteV2>(kOfxProgressSuite, 2, true);
            gTimeLineSuite = fetch<OfxTimeLineSuiteV1>(kOfxTimeLineSuite, 1, true);
            gHostDescription.reset(new ImageEffectHostDescription(readHostDescription()));
        } catch (...) {
            // A failed load leaves nothing half set up for the next attempt.
            clearSuites();
            gHostDescription.reset();
            throw;
        }
    }
    ++gLoadCount;
}

void unloadAction()
{
    std::lock_guard<std::mutex> lock(gLoadMutex);
    if (gLoadCount > 0 && --gLoadCount == 0) {
        clearSuites();
        gHostDescription.reset();
    }
}

} // namespace Private

const void* fetchSuite(const char* suiteName, int suiteVersion, bool optional)
{
    const void* suite = nullptr;
    if (Private::gHost && Private::gHost->fetchSuite)
        suite = Private::gHost->fetchSuite(Private::gHost->host, suiteName, suiteVersion);
    if (suite == nullptr) {
        if (!optional)
            throw Exception::HostInadequate(suiteName);
        Log::print("optional suite %s version %d is not supported by the host", suiteName,
                   suiteVersion);
    }
    return suite;
}

const ImageEffectHostDescription* getImageEffectHostDescription()
{
    return Private::gHostDescription.get();
}

} // namespace OFX
