// Text from files and plug-ins as ofx-render prints it: one line, and nothing
// a terminal would act on.
#pragma once

#include <string>

namespace ofxrender {

// `text` with its control characters (C0, DEL and C1) written as escapes
// (\n, \t, \x1b, \u009b).
std::string printable(const std::string& text);

} // namespace ofxrender
