// The per-format readers and writers behind readImage / writeImage.
#pragma once

#include "zelk/ImageIO.h"

#include <cstdint>
#include <string>

namespace zelk::detail {

// The writers write through `fd` (an empty file open for writing); `path` only
// names it in messages.
RgbaImage readExr(const std::string& path);
void writeExr(int fd, const std::string& path, const RgbaImage& image, SampleType sample);

RgbaImage readPng(const std::string& path);
void writePng(int fd, const std::string& path, const RgbaImage& image, SampleType sample);

RgbaImage readTiff(const std::string& path);
void writeTiff(int fd, const std::string& path, const RgbaImage& image, SampleType sample);

// Throws when the dimensions are not positive or the image is too large to hold.
void checkDimensions(const std::string& path, long long width, long long height);

[[noreturn]] void fail(const std::string& path, const std::string& reason);

// Float to an integer sample: clamped to [0, 1], NaN to 0, rounded to nearest.
inline std::uint32_t quantize(float value, std::uint32_t maxValue)
{
    if (!(value > 0.0f))
        return 0; // also NaN
    if (value >= 1.0f)
        return maxValue;
    return std::uint32_t(double(value) * maxValue + 0.5);
}

} // namespace zelk::detail
