#pragma once

// The bundle's binary look file (".cube.bin"): an unsigned 64-bit little-endian
// entry count, then that many entries of three little-endian 32-bit floats,
// blue fastest. Anything after the last entry is ignored by the plug-in.

#include "LatticeLut.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zelk::lut {

// The plug-in's rule for the lattice size of `count` entries: the cube root,
// rounded in single precision (35000 entries give 33).
int lutSizeRule(std::uint64_t count);

// What the plug-in will make of a file, and why it will not apply it.
struct CubeBinReport {
    std::uint64_t fileBytes = 0;
    std::uint64_t count = 0;       // as the header says
    std::uint64_t entriesHeld = 0; // whole entries the file holds after the header
    std::uint64_t trailingBytes = 0;
    bool hasHeader = false;
    int ruleSize = 0;       // lutSizeRule(count)
    bool exactCube = false; // count == ruleSize^3
    bool applied = false;   // the plug-in applies it
    std::string reason;     // why not, when !applied
    std::uint64_t nonFinite = 0;
    float minValue = 0.0f;
    float maxValue = 0.0f;
};

// Never throws for bad content: every oddity ends up in the report.
CubeBinReport inspectCubeBin(std::string_view bytes);

// Strict reading for conversion: the header, a count that fills the file, a
// whole lattice of 2 to 256 points per axis and finite values, or LutError
// naming `name` and the reason. Bytes after the last entry give a warning.
LatticeLut parseCubeBin(std::string_view bytes, const std::string& name,
                        std::string* warning = nullptr);
LatticeLut readCubeBin(const std::string& path, std::string* warning = nullptr);

std::string encodeCubeBin(const LatticeLut& lut);
void writeCubeBin(const std::string& path, const LatticeLut& lut);

} // namespace zelk::lut
