#pragma once

// Text from plug-ins and files as the host prints it: on one line, with nothing a
// terminal would act on.

#include <string>

namespace ofxhost {

// `text` with its control characters escaped: newline, tab and carriage return as
// \n, \t and \r, other C0 controls and DEL as \xNN, C1 controls (in UTF-8) as \u00NN.
// Everything else, UTF-8 included, stays as it is.
std::string escapedText(const std::string& text);

// The text in double quotes, escaped as escapedText, with quotes and backslashes
// escaped too.
std::string quotedText(const std::string& text);

} // namespace ofxhost
