#pragma once

// The looks shipped in the bundle: where their files lie, how their names are
// gathered and how the render reads one (the reader itself and the rules that say
// which LUTs are applied live in lut/).

#include <string>
#include <vector>

#include "CubeBin.h"
#include "LookNames.h"
#include "ZelkVec3.h"

namespace zelk {

using lut::kLookDirSuffix;
using lut::kLookFileSuffix;

// The look names of a directory (lut::listLookNames); a file-system error is
// reported on the standard error stream as "Error access Dir: " and its text.
std::vector<std::string> listLookNames(const std::string& directory);

} // namespace zelk

// Reads a ".cube.bin" file into `lut` with the lenient reader, its lines going to
// the plug-in's log, and says how it went. A file that is not a regular file,
// cannot be opened, is shorter than its header or than the entries its header
// announces, or holds a lattice too large to apply, leaves `lut` exactly as it was.
zelk::lut::CubeBinLoad read_triplets(const std::string& path, std::vector<zelk_vec3<float>>& lut);
