#pragma once

// The bundle's binary look file (".cube.bin"): an unsigned 64-bit little-endian
// entry count, then that many entries of three little-endian 32-bit floats,
// blue fastest. Bytes after the last entry are ignored.
//
// One reader, two modes. The plug-in reads leniently: a file that holds every
// entry its header announces is loaded as it is (the size rule then decides
// whether it is applied, and one too large to apply is not even read); any
// other file is refused and changes nothing; every step is reported as a log
// line. The tools read strictly: only a whole lattice
// of 2 to 256 points per axis with finite values, otherwise LutError with the
// reason.

#include "LatticeLut.h"
#include "ZelkVec3.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::lut {

inline constexpr std::uint64_t kCubeBinHeaderBytes = 8;
inline constexpr std::uint64_t kCubeBinEntryBytes = 12;

// What a file's length and its first bytes say, before any entry is read.
struct CubeBinHeader {
    bool present = false;          // the file holds the whole 8-byte count
    std::uint64_t count = 0;       // entries announced
    std::uint64_t entriesHeld = 0; // whole entries after the count
    // Every announced entry is there (bytes after them are ignored).
    bool complete() const { return present && count <= entriesHeld; }
};
CubeBinHeader cubeBinHeader(std::uint64_t fileBytes, std::string_view firstBytes);

// Turns `count` floats from the file's byte order into this machine's, in place.
void cubeBinValuesToHost(float* values, std::size_t count);

// One line of the lenient reader's log (no newline).
using CubeBinLog = std::function<void(const std::string& line)>;

// How the plug-in's reading of a look file ended.
struct CubeBinLoad {
    enum Outcome {
        Loaded,
        Unreadable, // not a regular file, cannot be opened or read, or truncated
        TooLarge,   // complete, but its lattice is above kMaxCubeSize: never read
    };
    Outcome outcome = Unreadable;
    // Why it was not loaded, as a user reads it after "the look file" ("" when loaded).
    std::string problem;
    bool loaded() const { return outcome == Loaded; }
};

// The plug-in's reading of the file at `path` into `lut`. Only a regular file is
// opened, never blocking. A file that cannot be opened, that is shorter than its
// header or than the entries its header announces, or whose lattice is too large
// to be applied, is logged and leaves `lut` exactly as it was. Never allocates
// more than the file holds, nor for a lattice it would not apply.
CubeBinLoad readCubeBinLenient(const std::string& path, std::vector<zelk_vec3<float>>& lut,
                               const CubeBinLog& log);

// The tools' reading of a file's bytes: the header, a count that the file holds,
// a whole lattice of 2 to 256 points per axis and finite values, or LutError
// naming `name` and the reason. Bytes after the last entry give a warning.
LatticeLut parseCubeBin(std::string_view bytes, const std::string& name,
                        std::string* warning = nullptr);

std::string encodeCubeBin(const LatticeLut& lut);

} // namespace zelk::lut
