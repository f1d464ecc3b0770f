// EXR files for the fidelity tests, written and read back with OpenEXR itself:
// any parts, windows, attributes, channels and tiling, every sample a known value.
#pragma once

#include <ImfHeader.h>
#include <ImfPixelType.h>

#include <map>
#include <string>
#include <vector>

namespace exrtest {

// A header of `width` x `height` pixels with `channels` of `type`, the data
// window's top-left corner at (x, y).
Imf::Header makeHeader(int x, int y, int width, int height,
                       const std::vector<std::string>& channels, Imf::PixelType type = Imf::HALF);

// Writes the parts (one header: a single-part file), every sample of every
// channel a value told by its channel, position and part.
void writeExr(const std::string& path, const std::vector<Imf::Header>& headers);

// A deep scan-line file of one sample per pixel.
void writeDeepExr(const std::string& path);

// Every channel of one part, its samples as stored (bytes).
using ChannelBytes = std::map<std::string, std::vector<char>>;
ChannelBytes readChannels(const std::string& path, int part = 0);
std::vector<Imf::Header> readHeaders(const std::string& path);

// Every attribute but "channels": name -> type name and value as stored.
std::map<std::string, std::string> attributes(const Imf::Header& header);

} // namespace exrtest
