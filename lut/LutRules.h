#pragma once

// Which LUTs the plug-in applies, said once for the plug-in, its GPU paths and
// the look tools.

#include <cstdint>
#include <string>

namespace zelk::lut {

// A .cube file may declare 2 to 256 points per axis; the plug-in applies
// lattices of kMinAppliedSize to kMaxCubeSize points (above that, the index
// arithmetic of every path would soon overflow, and no tool of ours writes one).
inline constexpr int kMinCubeSize = 2;
inline constexpr int kMaxCubeSize = 256;
inline constexpr int kMinAppliedSize = 18;

// Lattice points per axis for a LUT of `count` entries: the cube root, rounded
// in single precision exactly as the looks were always sized (35000 gives 33).
int lutSizeForCount(std::uint64_t count);

enum class LutUsability {
    Usable,
    TooSmall, // fewer than kMinAppliedSize points per axis
    TooLarge, // more than kMaxCubeSize points per axis
    Unfilled, // fewer entries than the lattice has points
};

// Whether a LUT of `count` entries with `lutSize` points per axis may be applied.
// A count that is not a perfect cube can round up to a lattice it does not fill;
// spare entries beyond the lattice are never read.
LutUsability lutUsability(std::uint64_t count, int lutSize);

inline bool lutIsUsable(std::uint64_t count, int lutSize)
{
    return lutUsability(count, lutSize) == LutUsability::Usable;
}

// Why such a LUT is not applied, as a user reads it ("" when it is).
std::string whyLutIsNotApplied(std::uint64_t count, int lutSize);

} // namespace zelk::lut
