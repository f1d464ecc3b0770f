// ofxhost: errors raised by the host library.
#pragma once

#include <stdexcept>
#include <string>

namespace ofxhost {

// Every failure of the host library (bad bundle, failed action, unknown parameter, bad value)
// is reported as an Error with a message naming what was wrong. When the failure is a status
// returned by the plug-in, status() holds it; otherwise it is -1.
// The macro name of a status ("kOfxStatFailed"), or "status <n>" for an unknown value.
std::string statusName(int status);

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, int status = -1)
        : std::runtime_error(message), m_status(status)
    {
    }
    int status() const { return m_status; }

private:
    int m_status;
};

} // namespace ofxhost
