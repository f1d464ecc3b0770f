#pragma once

// The looks shipped in the bundle: where their files lie, how their names are
// gathered, the ".cube.bin" reader and the rule that gives a LUT's lattice size.

#include <cstddef>
#include <string>
#include <vector>

#include "ZelkVec3.h"

namespace zelk {

// Relative to the bundle path; the Tevo4 directory is this path followed by "4".
inline constexpr const char* kLookDirSuffix = "/Contents/Resources/looks_bin_tevo";
inline constexpr const char* kLookFileSuffix = ".cube.bin";

// The look names of a directory: every regular file (links followed), less its
// ".cube.bin" ending, sorted byte-wise. A file-system error is reported on the
// standard error stream and the names gathered until then come back unsorted.
std::vector<std::string> listLookNames(const std::string& directory);

// Lattice points per axis for a LUT of `count` entries: the cube root, rounded
// in single precision exactly as the looks were always sized (35000 gives 33).
int lutSizeForCount(std::size_t count);

// The one place that says whether a LUT may be applied: at least 18 points per
// axis and an entry for every lattice point (a count that is not a perfect cube
// can round up to a lattice it does not fill).
bool lutIsUsable(std::size_t count, int lutSize);

} // namespace zelk

// Reads a ".cube.bin" file into `lut`. A file that cannot be opened, or that is
// shorter than its header or than the entries its header announces, is logged
// and leaves `lut` exactly as it was.
void read_triplets(const std::string& path, std::vector<zelk_vec3<float>>& lut);
