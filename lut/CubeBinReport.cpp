#include "CubeBinReport.h"

#include "CubeBin.h"
#include "LutRules.h"

#include <cmath>
#include <cstring>

namespace zelk::lut {

namespace {

std::string whyNotApplied(const CubeBinHeader& header, int ruleSize)
{
    if (!header.complete())
        return "the header announces " + std::to_string(header.count) +
               " entries but the file holds only " + std::to_string(header.entriesHeld) +
               "; the plug-in treats it as unreadable";
    return whyLutIsNotApplied(header.count, ruleSize);
}

} // namespace

CubeBinReport inspectCubeBin(std::string_view bytes)
{
    CubeBinReport r;
    r.fileBytes = bytes.size();
    const CubeBinHeader header = cubeBinHeader(bytes.size(), bytes);
    if (!header.present) {
        r.reason = "the file is shorter than its 8-byte header; the plug-in leaves the look "
                   "unloaded";
        return r;
    }
    r.hasHeader = true;
    r.count = header.count;
    r.entriesHeld = header.entriesHeld;
    if (header.complete())
        r.trailingBytes = bytes.size() - kCubeBinHeaderBytes - r.count * kCubeBinEntryBytes;
    r.ruleSize = lutSizeForCount(r.count);
    // ruleSize <= 2^21 for any 64-bit count, so its cube cannot overflow.
    const std::uint64_t n = static_cast<std::uint64_t>(r.ruleSize);
    r.exactCube = n * n * n == r.count;

    const std::uint64_t scanned = r.count < r.entriesHeld ? r.count : r.entriesHeld;
    bool first = true;
    for (std::uint64_t i = 0; i < 3 * scanned; ++i) {
        float v;
        std::memcpy(&v, bytes.data() + kCubeBinHeaderBytes + 4 * i, sizeof v);
        cubeBinValuesToHost(&v, 1);
        if (!std::isfinite(v)) {
            ++r.nonFinite;
            continue;
        }
        if (first || v < r.minValue)
            r.minValue = v;
        if (first || v > r.maxValue)
            r.maxValue = v;
        first = false;
    }

    r.reason = whyNotApplied(header, r.ruleSize);
    r.applied = r.reason.empty();
    return r;
}

} // namespace zelk::lut
