#pragma once

// The published cube LUT text format (1.0), plus the common shaper dialect
// (LUT_1D_INPUT_RANGE / LUT_3D_INPUT_RANGE with a 1D table before the 3D one).
// Rows of the 3D table run red fastest.

#include "LatticeLut.h"

#include <string>
#include <string_view>
#include <vector>

namespace zelk::lut {

struct CubeText {
    std::string title;
    int size3d = 0;                 // 0: no 3D table
    int size1d = 0;                 // 0: no 1D table
    float domainMin[3] = {0, 0, 0}; // DOMAIN_MIN, or an input range on all channels
    float domainMax[3] = {1, 1, 1};
    bool hasDomain = false;            // DOMAIN_MIN or DOMAIN_MAX given
    bool shaper = false;               // LUT_1D_INPUT_RANGE or LUT_3D_INPUT_RANGE given
    float range1d[2] = {0, 1};         // the shaper's input range
    float range3d[2] = {0, 1};         // the 3D table's input range in the shaper dialect
    std::vector<float> table1d;        // 3 * size1d values
    std::vector<float> table3d;        // 3 * size3d^3 values, red fastest as in the file
    std::vector<std::string> warnings; // each already names the file

    // True when the 3D table maps the 0..1 cube directly: no 1D table, no
    // shaper and the default domain.
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
