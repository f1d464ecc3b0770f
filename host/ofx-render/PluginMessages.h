// What plug-ins and the host say while ofx-render runs.
#pragma once

#include <ofxhost/Types.h>

#include <mutex>
#include <string>
#include <vector>

namespace ofxrender {

// The host's message handler for one run. Warnings and notes are printed as they come (none with
// -q). Errors are held, so that the line reporting a failure carries its reason once; an error
// that no failure claims is printed on its own at the next flush, or when this object goes.
class PluginMessages {
public:
    explicit PluginMessages(bool quiet) : m_quiet(quiet) {}
    ~PluginMessages() { flush(); }
    PluginMessages(const PluginMessages&) = delete;
    PluginMessages& operator=(const PluginMessages&) = delete;

    // HostOptions::onMessage; any thread.
    void post(const ofxhost::Message& message);
    // The text of the latest error held, or "" when none; forgets every held error.
    std::string takeError();
    // Prints the errors held.
    void flush();

private:
    const bool m_quiet;
    std::mutex m_mutex;
    std::vector<std::string> m_errors;
};

} // namespace ofxrender
