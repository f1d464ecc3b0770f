#pragma once

// What the plug-in will make of a .cube.bin file, for `zelk-lut info`.

#include <cstdint>
#include <string>
#include <string_view>

namespace zelk::lut {

struct CubeBinReport {
    std::uint64_t fileBytes = 0;
    std::uint64_t count = 0;       // as the header says
    std::uint64_t entriesHeld = 0; // whole entries the file holds after the header
    std::uint64_t trailingBytes = 0;
    bool hasHeader = false;
    int ruleSize = 0;       // lutSizeForCount(count)
    bool exactCube = false; // count == ruleSize^3
    bool applied = false;   // the plug-in applies it
    std::string reason;     // why not, when !applied
    std::uint64_t nonFinite = 0;
    float minValue = 0.0f;
    float maxValue = 0.0f;
};

// Never throws for bad content: every oddity ends up in the report.
CubeBinReport inspectCubeBin(std::string_view bytes);

} // namespace zelk::lut
