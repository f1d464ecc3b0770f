// ofxhost: a readable dump of what a plug-in described (printed by `ofx-render --describe`).
#pragma once

#include <ofxhost/Host.h>

#include <iosfwd>

namespace ofxhost {

// Each effect's identity, labels, grouping, description, contexts, bit depths, GPU capabilities
// ("absent" when not set, else the value), clips with their properties, pages with their
// children and each parameter with type, labels, hint, default, range, display range, increment
// and options; every value on one line, control characters escaped. `context` picks the
// described context shown (default: the first described). A bundle also lists the effects it
// skipped, with the reason.
void printDescription(std::ostream& out, const Effect& effect, const std::string& context = "");
void printDescription(std::ostream& out, const Bundle& bundle);

} // namespace ofxhost
