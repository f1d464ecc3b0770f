#pragma once

// The looks shipped in the bundle: where their files lie, how their names are
// gathered and how the render reads one (the reader itself and the rules that say
// which LUTs are applied live in lut/).

#include <string>
#include <vector>

#include "CubeBin.h"
#include "ZelkVec3.h"

namespace zelk {

// Relative to the bundle path; the Tevo4 directory is this path followed by "4".
inline constexpr const char* kLookDirSuffix = "/Contents/Resources/looks_bin_tevo";
inline constexpr const char* kLookFileSuffix = ".cube.bin";

// The look names of a directory: every regular file (links followed), less its
// ".cube.bin" ending, sorted byte-wise. A file-system error is reported on the
// standard error stream and the names gathered until then come back unsorted.
std::vector<std::string> listLookNames(const std::string& directory);

} // namespace zelk

// Reads a ".cube.bin" file into `lut` with the lenient reader, its lines going to
// the plug-in's log, and says how it went. A file that is not a regular file,
// cannot be opened, is shorter than its header or than the entries its header
// announces, or holds a lattice too large to apply, leaves `lut` exactly as it was.
zelk::lut::CubeBinLoad read_triplets(const std::string& path, std::vector<zelk_vec3<float>>& lut);
