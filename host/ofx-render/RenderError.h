// A failure while rendering (the plug-in's status, an unwritten output, an unreadable input
// frame); ofx-render exits with status 1.
#pragma once

#include <stdexcept>

namespace ofxrender {

class RenderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace ofxrender
