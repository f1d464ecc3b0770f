// Frame numbers as a user writes them ("1001-1100x2", "1001,1005,1010-1020")
// and as ofx-render reports them back.
#pragma once

#include <string>
#include <vector>

namespace ofxrender {

// The most frames one run takes.
constexpr long kMaxFrames = 1000000;

// A comma-separated list of A, A-B or A-BxSTEP (also A-B:STEP; 0 <= A <= B, STEP >= 1), as
// the frames ascending, each once. Throws UsageError naming the bad part.
std::vector<long> parseFrameList(const std::string& text);

// The frames from first to last (ascending) missing from `frames`, written as
// "4, 7-9"; empty when none is missing. Long lists end in "...".
std::string describeGaps(const std::vector<long>& frames);

} // namespace ofxrender
