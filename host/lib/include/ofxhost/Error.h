// ofxhost: errors raised by the host library.
#pragma once

#include <stdexcept>
#include <string>

namespace ofxhost {

// The macro name of a status ("kOfxStatFailed"), or "status <n>" for an unknown value.
std::string statusName(int status);

// Every failure of the host library (bad bundle, failed action, unknown parameter, bad value)
// is reported as an Error with a message naming what was wrong. When the failure is a status
// returned by the plug-in, status() holds it (otherwise it is -1), action() the action that
// returned it, and lacking() what of the host's the effect asked for and did not get, as the
// message ends with it (": needs X, which ... does not provide", or "").
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, int status = -1, std::string action = "",
                   std::string lacking = "")
        : std::runtime_error(message), m_status(status), m_action(std::move(action)),
          m_lacking(std::move(lacking))
    {
    }
    int status() const { return m_status; }
    const std::string& action() const { return m_action; }
    const std::string& lacking() const { return m_lacking; }

private:
    int m_status;
    std::string m_action;
    std::string m_lacking;
};

} // namespace ofxhost
