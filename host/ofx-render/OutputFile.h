// Writes an output image so that it appears whole or not at all: into a temporary
// file beside it, then renamed over the final name.
#pragma once

#include "zelk/ImageIO.h"

#include <string>

namespace ofxrender {

// Throws zelk::ImageIOError when `path` exists and `overwrite` is false, or when
// writing fails; nothing is left behind then. Without `overwrite` an output that
// appears while writing is not replaced either.
void writeOutputAtomically(const std::string& path, const zelk::RgbaImage& image,
                           zelk::FileFormat format, zelk::SampleType sample, bool overwrite);

} // namespace ofxrender
