#pragma once

#include <string>
#include <utility>
#include <vector>

#include "LookTestData.h"

namespace looktest {

// A copy of the built bundle's binary with look directories that hold only the
// given looks (name, LUT of size n), in both transfer-curve directories.
// Returns the new bundle's path under `dir`.
struct NamedLook {
    std::string name;
    int n;
    Lut lut;
};
std::string makeTestBundle(const std::string& builtBundle, const std::string& dir,
                           const std::vector<NamedLook>& looks);

// Writes a look file: the entry count as a little-endian 64-bit integer, then the
// entries as little-endian floats.
void writeLookFile(const std::string& path, const Lut& lut);

} // namespace looktest
