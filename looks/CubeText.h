#pragma once

// The published cube LUT text format (1.0), plus the dialect of grading
// applications: a 1D shaper table before the 3D one, and input ranges
// (LUT_1D_INPUT_RANGE / LUT_3D_INPUT_RANGE) in place of DOMAIN_MIN/MAX.
// Rows of the 3D table run red fastest. Text may be UTF-8 or UTF-16 with a
// byte-order mark, with LF, CR LF or CR line ends.

#include "LatticeLut.h"

#include <string>
#include <string_view>
#include <vector>

namespace zelk::lut {

struct CubeText {
    std::string title;
    int size3d = 0;                 // 0: no 3D table
    int size1d = 0;                 // 0: no 1D table
    float domainMin[3] = {0, 0, 0}; // DOMAIN_MIN
    float domainMax[3] = {1, 1, 1};
    bool hasDomain = false; // DOMAIN_MIN or DOMAIN_MAX given
    // The grading-application dialect: an input range line, or a 1D table
    // before the 3D one. Its ranges then replace the domain.
    bool usesInputRanges = false;
    float range1d[2] = {0, 1};         // LUT_1D_INPUT_RANGE
    float range3d[2] = {0, 1};         // LUT_3D_INPUT_RANGE
    std::vector<float> table1d;        // 3 * size1d values
    std::vector<float> table3d;        // 3 * size3d^3 values, red fastest as in the file
    std::vector<std::string> warnings; // each already names the file

    // The inputs that `table` (1 or 3) spans on `channel` (0 red, 1 green, 2 blue).
    void inputRange(int table, int channel, float& lo, float& hi) const;

    // True when the 3D table maps the 0..1 cube directly: no 1D table and an
    // input range of 0..1 on every channel.
    bool isPlainLattice() const;
};

// Parses `text`; `name` (the file's path) starts every message. Throws
// LutError "NAME:LINE: reason" for anything the format does not allow.
CubeText parseCubeText(std::string_view text, const std::string& name);
CubeText readCubeText(const std::string& path);

// A .cube file of `lut` (domain 0..1, red fastest, each float written with
// enough digits to read back to the same bits).
std::string formatCubeText(const LatticeLut& lut, const std::string& title);

} // namespace zelk::lut
