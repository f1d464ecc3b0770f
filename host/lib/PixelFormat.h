// The pixel formats the host hands to effects and the conversions between them: 8-bit, 16-bit,
// half and float samples of RGBA, RGB or Alpha pixels.
#pragma once

#include <ofxhost/Types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ofxhost {

enum class Depth { Byte, Short, Half, Float };
enum class Channels { RGBA, RGB, Alpha };

struct PixelFormat {
    Depth depth = Depth::Float;
    Channels channels = Channels::RGBA;
    bool operator==(const PixelFormat& o) const
    {
        return depth == o.depth && channels == o.channels;
    }
    bool operator!=(const PixelFormat& o) const { return !(*this == o); }
};

// The OfxBitDepth... and OfxImageComponent... strings; nullopt for any other text.
std::optional<Depth> parseDepth(const std::string& text);
std::optional<Channels> parseChannels(const std::string& text);
std::optional<PixelFormat> parseFormat(const std::string& depth, const std::string& components);
const char* depthName(Depth depth);
const char* channelsName(Channels channels);
// Byte < Short < Half < Float: how much of a sample each keeps.
int depthRank(Depth depth);
long bytesPerPixel(PixelFormat format);

// Pixels in host memory owned by the host (16-byte aligned, rows packed).
struct PixelBuffer {
    std::shared_ptr<void> memory;
    ImageDesc image; // points into memory
};
PixelBuffer allocatePixels(const OfxRectI& bounds, PixelFormat format);

// Copies `source` (in the format its description names) into a new buffer of `to` with the same
// bounds. Samples are clamped to [0, 1] (NaN to 0) for 8 and 16 bits; RGB gains alpha 1, Alpha
// becomes grey (a, a, a, a), RGBA loses alpha for RGB and keeps only alpha for Alpha.
PixelBuffer convertPixels(const ImageDesc& source, PixelFormat to);
// Writes `source` into `target` (same bounds, formats as their descriptions name) in place.
void copyPixels(const ImageDesc& source, const ImageDesc& target);

} // namespace ofxhost
