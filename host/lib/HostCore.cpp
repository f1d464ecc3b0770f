#include "HostCore.h"

#include <ofxhost/Text.h>

#include "Internal.h"
#include "MissingFeatures.h"
#include "ThreadPool.h"

#include <ofxGPURender.h>
#include <ofxParametricParam.h>
#include <ofxProgress.h>
#include <ofxTimeLine.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ofxhost {
namespace {

std::mutex g_hostsMutex;
std::vector<HostCore*> g_hosts; // live hosts, oldest first

void defineHostProperties(PropertySet& p, bool gpuProperties)
{
    p.defineString(kOfxPropType, {kOfxTypeImageEffectHost}, 1);
    p.defineString(kOfxPropName, {"org.zelk.ofxhost"}, 1);
    p.defineString(kOfxPropLabel, {"ZELK ofxhost"}, 1);
    p.defineInt(kOfxPropVersion, {1, 0, 0});
    p.defineString(kOfxPropVersionLabel, {"1.0.0"}, 1);
    p.defineInt(kOfxPropAPIVersion, {1, 5});
    p.defineInt(kOfxImageEffectHostPropIsBackground, {1}, 1);
    p.defineInt(kOfxImageEffectPropSupportsOverlays, {0}, 1);
    p.defineInt(kOfxImageEffectPropSupportsMultiResolution, {0}, 1);
    p.defineInt(kOfxImageEffectPropSupportsTiles, {0}, 1);
    p.defineInt(kOfxImageEffectPropTemporalClipAccess, {1}, 1);
    p.defineString(kOfxImageEffectPropSupportedComponents,
                   {kOfxImageComponentRGBA, kOfxImageComponentRGB, kOfxImageComponentAlpha});
    p.defineString(kOfxImageEffectPropSupportedContexts,
                   {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral,
                    kOfxImageEffectContextTransition, kOfxImageEffectContextGenerator});
    // Float first: the support layer takes the first listed depth as the host's default.
    p.defineString(kOfxImageEffectPropSupportedPixelDepths,
                   {kOfxBitDepthFloat, kOfxBitDepthHalf, kOfxBitDepthShort, kOfxBitDepthByte});
    // Each clip is converted on its own, so clips may differ in depth.
    p.defineInt(kOfxImageEffectPropSupportsMultipleClipDepths, {1}, 1);
    p.defineInt(kOfxImageEffectPropSupportsMultipleClipPARs, {0}, 1);
    p.defineInt(kOfxImageEffectPropSetableFrameRate, {0}, 1);
    p.defineInt(kOfxImageEffectPropSetableFielding, {0}, 1);
    p.defineString(kOfxImageEffectHostPropNativeOrigin, {kOfxHostNativeOriginBottomLeft}, 1);
    p.defineInt(kOfxParamHostPropSupportsCustomInteract, {0}, 1);
    p.defineInt(kOfxParamHostPropSupportsStringAnimation, {0}, 1);
    p.defineInt(kOfxParamHostPropSupportsChoiceAnimation, {0}, 1);
    p.defineInt(kOfxParamHostPropSupportsBooleanAnimation, {0}, 1);
    p.defineInt(kOfxParamHostPropSupportsCustomAnimation, {0}, 1);
    p.defineInt(kOfxParamHostPropSupportsStrChoice, {0}, 1);
    p.defineInt(kOfxParamHostPropSupportsStrChoiceAnimation, {0}, 1);
    p.defineInt(kOfxParamHostPropSupportsParametricAnimation, {0}, 1);
    p.defineInt(kOfxParamHostPropMaxParameters, {-1}, 1);
    p.defineInt(kOfxParamHostPropMaxPages, {-1}, 1);
    p.defineInt(kOfxParamHostPropPageRowColumnCount, {1, 1}, 2);
    p.definePointer(kOfxPropHostOSHandle, {nullptr}, 1);
    p.defineInt(kOfxImageEffectInstancePropSequentialRender, {2}, 1);
    p.defineInt(kOfxImageEffectPropRenderQualityDraft, {0}, 1);
    p.defineString(kOfxImageEffectPropOpenGLRenderSupported, {"false"}, 1);
    p.defineString(kOfxImageEffectPropCPURenderSupported, {"true"}, 1);
    if (gpuProperties) {
        p.defineString(kOfxImageEffectPropOpenCLRenderSupported, {"true"}, 1);
        p.defineString(kOfxImageEffectPropOpenCLSupported, {"false"}, 1);
        p.defineString(kOfxImageEffectPropCudaRenderSupported, {"true"}, 1);
        p.defineString(kOfxImageEffectPropCudaStreamSupported, {"true"}, 1);
        p.defineString(kOfxImageEffectPropMetalRenderSupported, {"false"}, 1);
    }
}

struct SharedHost {
    PropertySet props{PropertySet::Policy::Closed};
    OfxHost host{};
};

std::mutex g_sharedMutex;
SharedHost* g_shared[2] = {nullptr, nullptr};

SharedHost& sharedHost(bool gpuProperties)
{
    std::lock_guard<std::mutex> lock(g_sharedMutex);
    SharedHost*& h = g_shared[gpuProperties ? 1 : 0];
    if (!h) {
        h = new SharedHost; // lives until the process ends, like the plug-ins' copies of it
        defineHostProperties(h->props, gpuProperties);
        h->host.host = h->props.handle();
        h->host.fetchSuite = &HostCore::fetchSuite;
    }
    return *h;
}

} // namespace

HostCore::HostCore(HostOptions options) : m_options(std::move(options))
{
    SharedHost& shared = sharedHost(m_options.gpuProperties);
    m_hostProps = &shared.props;
    m_ofxHost = &shared.host;
    ThreadPool::instance(); // the pool exists before any plug-in asks for it
    setReportedCPUCount(m_options.reportedCPUs);
    std::lock_guard<std::mutex> lock(g_hostsMutex);
    g_hosts.push_back(this);
}

HostCore::~HostCore()
{
    std::lock_guard<std::mutex> lock(g_hostsMutex);
    g_hosts.erase(std::remove(g_hosts.begin(), g_hosts.end(), this), g_hosts.end());
}

HostCore* HostCore::fallback()
{
    std::lock_guard<std::mutex> lock(g_hostsMutex);
    return g_hosts.empty() ? nullptr : g_hosts.back();
}

bool HostCore::isHostProperties(const PropertySet* props)
{
    std::lock_guard<std::mutex> lock(g_sharedMutex);
    for (const SharedHost* h : g_shared)
        if (h && &h->props == props)
            return true;
    return false;
}

const void* HostCore::fetchSuite(OfxPropertySetHandle host, const char* name, int version)
{
    const void* suite = findSuite(host, name, version);
    if (!suite)
        noteMissingFeature(suiteFeature(name, version));
    return suite;
}

const void* HostCore::findSuite(OfxPropertySetHandle host, const char* name, int version)
{
    if (!PropertySet::fromHandle(host) || !name)
        return nullptr;
    const std::string n = name;
    if (version == 1) {
        if (n == kOfxPropertySuite)
            return propertySuite();
        if (n == kOfxImageEffectSuite)
            return imageEffectSuite();
        if (n == kOfxParameterSuite)
            return parameterSuite();
        if (n == kOfxMemorySuite)
            return memorySuite();
        if (n == kOfxMultiThreadSuite)
            return multiThreadSuite();
        if (n == kOfxMessageSuite)
            return messageSuiteV1();
        if (n == kOfxProgressSuite)
            return progressSuiteV1();
        if (n == kOfxTimeLineSuite)
            return timeLineSuite();
        if (n == kOfxParametricParameterSuite)
            return parametricSuite();
    } else if (version == 2) {
        if (n == kOfxMessageSuite)
            return messageSuiteV2();
        if (n == kOfxProgressSuite)
            return progressSuiteV2();
    }
    return nullptr;
}

void HostCore::addMessage(Message message)
{
    if (m_options.onMessage) {
        m_options.onMessage(message);
    } else {
        std::fprintf(stderr, "%s\n", messageLine(message).c_str());
        std::fflush(stderr);
    }
    std::lock_guard<std::mutex> lock(m_messageMutex);
    m_messages.push_back(std::move(message));
}

std::string HostCore::messageLine(const Message& message)
{
    return std::string("ofxhost: ") + (message.persistent ? "persistent " : "") + message.type +
           " [" + escapedText(message.id) + "] " + escapedText(message.text);
}

std::vector<Message> HostCore::messages() const
{
    std::lock_guard<std::mutex> lock(m_messageMutex);
    return m_messages;
}

void HostCore::clearMessages()
{
    std::lock_guard<std::mutex> lock(m_messageMutex);
    m_messages.clear();
}

} // namespace ofxhost
