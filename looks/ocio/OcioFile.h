#pragma once

// Look files in every format OpenColorIO reads as a file transform (.3dl, .csp,
// .spi3d, .spi1d, .clf, .ctf, .cub, .cc, .icc and the rest): a file that is one
// 3D table becomes a lattice as a .cube would; anything else is baked from
// OpenColorIO's own evaluation of the file, with the same report.

#include "Bake.h"

#include <string>

namespace zelk::lut::ocio {

// True for files that go to OpenColorIO: an ending it reads, other than .cube
// (ours, for its line-numbered messages) and .cube.bin.
bool readByOpenColorIo(const std::string& path);

// LutError naming the file, with OpenColorIO's reason, when it cannot be read.
Conversion convertOcioFile(const std::string& path, int requestedSize);

// `zelk-lut info` of such a file: what OpenColorIO reads, and what converting does.
void printOcioFileInfo(const std::string& path, int requestedSize);

} // namespace zelk::lut::ocio
