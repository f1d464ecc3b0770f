#include "RenderMessages.h"

#include "ofxsCore.h"

namespace {

constexpr const char* kMessageId = "com.ZELKOpenFX.ZELKLookLib.render";

} // namespace

void RenderMessages::fetchSuites()
{
    if (m_Fetched)
        return;
    m_Fetched = true;
    // Fetched here rather than through OFX::ImageEffect::sendMessage, which some
    // support libraries hand to the host as a printf format: a look path holding
    // '%' must reach the user as it is.
    m_PersistentSuite =
        static_cast<const OfxMessageSuiteV2*>(OFX::fetchSuite(kOfxMessageSuite, 2, true));
    m_Suite = static_cast<const OfxMessageSuiteV1*>(OFX::fetchSuite(kOfxMessageSuite, 1, true));
}

void RenderMessages::showFailure(const std::string& text)
{
    fetchSuites();
    void* handle = m_Effect;
    if (m_PersistentSuite != nullptr) {
        m_PersistentSuite->setPersistentMessage(handle, kOfxMessageError, kMessageId, "%s",
                                                text.c_str());
    } else if (m_Suite != nullptr && text != m_Shown) {
        m_Suite->message(handle, kOfxMessageError, kMessageId, "%s", text.c_str());
    }
    m_Shown = text;
}

void RenderMessages::clearFailure()
{
    if (m_Shown.empty())
        return;
    m_Shown.clear();
    if (m_PersistentSuite != nullptr)
        m_PersistentSuite->clearPersistentMessage(m_Effect);
}
