#pragma once

// What the dynamic loader reads from a shared object, as binutils print it.

#include <string>
#include <vector>

namespace zelktest {

// One entry of the version needs (.gnu.version_r): `version` of `library`.
struct VersionReference {
    std::string library; // "libc.so.6"
    std::string version; // "GLIBC_2.17"
};

std::vector<std::string> neededLibraries(const std::string& binary); // DT_NEEDED, in order
std::string runPath(const std::string& binary); // DT_RUNPATH or DT_RPATH; "" without
std::vector<std::string> exportedSymbols(const std::string& binary); // defined dynamic symbols
std::vector<VersionReference> versionReferences(const std::string& binary);

// "GLIBC_2.3.4" -> {2, 3, 4}; empty when `version` is not GLIBC_ and numbers.
std::vector<int> glibcVersion(const std::string& version);

} // namespace zelktest
