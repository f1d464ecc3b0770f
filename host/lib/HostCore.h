// The host's shared state: options, host properties, the OfxHost handed to plug-ins and the
// message log.
#pragma once

#include <ofxhost/PropertySet.h>
#include <ofxhost/Types.h>

#include <mutex>
#include <vector>

namespace ofxhost {

class HostCore {
public:
    explicit HostCore(HostOptions options);
    ~HostCore();
    HostCore(const HostCore&) = delete;
    HostCore& operator=(const HostCore&) = delete;

    const HostOptions& options() const { return m_options; }
    PropertySet& hostProperties() { return *m_hostProps; }
    OfxHost* ofxHost() { return m_ofxHost; }

    // Records the message and hands it to HostOptions::onMessage, or prints it.
    void addMessage(Message message);
    std::vector<Message> messages() const;
    void clearMessages();

    // The host that receives messages sent with no (or an unknown) handle: the newest live one.
    static HostCore* fallback();
    // A message as the host prints it on stderr, escaped onto one line.
    static std::string messageLine(const Message& message);
    // OfxHost::fetchSuite: the same suite pointers for every host. A suite it does not have is
    // noted as a missing feature.
    static const void* fetchSuite(OfxPropertySetHandle host, const char* name, int version);
    // Whether `props` is a host property set handed to plug-ins.
    static bool isHostProperties(const PropertySet* props);

private:
    static const void* findSuite(OfxPropertySetHandle host, const char* name, int version);

    HostOptions m_options;
    // Shared by every Host of the same kind and never freed: a plug-in binary keeps the OfxHost
    // pointer it was given, which must stay valid even after the Host that gave it is gone.
    PropertySet* m_hostProps;
    OfxHost* m_ofxHost;
    mutable std::mutex m_messageMutex;
    std::vector<Message> m_messages;
};

} // namespace ofxhost
