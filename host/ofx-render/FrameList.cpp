#include "FrameList.h"

#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace ofxrender {

namespace {

constexpr std::size_t kMaxGapsShown = 10;

// A whole number of at most nine digits, or throws naming `part`.
long frameNumber(const std::string& digits, const std::string& part)
{
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        throw UsageError("--frames: '" + part + "' is not A, A-B or A-BxSTEP (whole numbers, " +
                         "0 or more)");
    return std::stol(digits);
}

std::string rangeText(long first, long last)
{
    return first == last ? std::to_string(first)
                         : std::to_string(first) + "-" + std::to_string(last);
}

} // namespace

std::vector<long> parseFrameList(const std::string& text)
{
    std::vector<long> frames;
    std::size_t start = 0;
    do {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma - start);
        start = comma == std::string::npos ? text.size() + 1 : comma + 1;

        // "A-BxSTEP", or "A-B:STEP" as range expressions of job descriptions write it.
        const std::size_t x = part.find_first_of("x:");
        const std::string range = part.substr(0, x);
        const long step = x == std::string::npos ? 1 : frameNumber(part.substr(x + 1), part);
        const std::size_t dash = range.find('-');
        const long first = frameNumber(range.substr(0, dash), part);
        const long last =
            dash == std::string::npos ? first : frameNumber(range.substr(dash + 1), part);
        if (last < first || step < 1)
            throw UsageError("--frames: '" + part + "' is not a range A-B with A <= B, step 1 " +
                             "or more");
        if ((last - first) / step + long(frames.size()) >= kMaxFrames)
            throw UsageError("--frames: '" + text + "' has more than " +
                             std::to_string(kMaxFrames) + " frames");
        for (long f = first; f <= last; f += step)
            frames.push_back(f);
    } while (start <= text.size());
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

std::string describeGaps(const std::vector<long>& frames)
{
    std::string text;
    std::size_t shown = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        if (frames[i] - frames[i - 1] <= 1)
            continue;
        if (shown++ == kMaxGapsShown)
            return text + ", ...";
        text += (text.empty() ? "" : ", ") + rangeText(frames[i - 1] + 1, frames[i] - 1);
    }
    return text;
}

} // namespace ofxrender
