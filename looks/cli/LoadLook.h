#pragma once

// A look file given on the command line (.cube or .cube.bin), as the plug-in's
// lattice, with the report of what converting it did.

#include "LatticeLut.h"

#include <string>
#include <vector>

namespace zelk::lut::cli {

struct LoadedLook {
    LatticeLut lut;
    std::vector<std::string> report;
};

// Warnings of the readers go to the standard error stream at once.
LoadedLook loadLook(const std::string& path, int size);

// True when `path` names a .cube.bin, or its first bytes are not text.
bool isCubeBin(const std::string& path, const std::string& bytes);

// The first line of `report` after `first`, the rest indented below it.
void printReport(const std::string& first, const std::vector<std::string>& report,
                 const char* indent);

void printWarnings(const std::vector<std::string>& warnings);

} // namespace zelk::lut::cli
