#pragma once

// Where a bundle keeps its looks and how a look file's name becomes the look's
// name: the plug-in's look choice and zelk-lut's view of a bundle both follow it.

#include <functional>
#include <string>
#include <vector>

namespace zelk::lut {

// Relative to the bundle path; the Tevo4 directory is this path followed by "4".
inline constexpr const char* kLookDirSuffix = "/Contents/Resources/looks_bin_tevo";
inline constexpr const char* kLookFileSuffix = ".cube.bin";

// A file name less its ".cube.bin" ending (exact, case-sensitive); any other
// name is the look name as it stands.
std::string lookNameOfFile(const std::string& fileName);

// The look names of a directory: every regular file (links followed), named by
// lookNameOfFile and sorted byte-wise, equal names side by side. A file-system
// error ends the scan: `onError` gets its description and the names gathered
// until then come back unsorted.
std::vector<std::string> listLookNames(const std::string& directory,
                                       const std::function<void(const char*)>& onError);

} // namespace zelk::lut
