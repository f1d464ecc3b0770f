// Reading and writing RGBA 32-bit float images: OpenEXR, PNG and TIFF.
//
// Every image is held as four floats per pixel (R, G, B, A), rows top to bottom
// as the files store them. An image without alpha reads with alpha 1; a grey
// image reads with R = G = B. Integer files map 0..max to 0..1 on reading; on
// writing values are clamped to [0, 1] (NaN gives 0) and rounded to nearest.
// Every failure throws zelk::ImageIOError with a message that names the file.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelk {

class ImageIOError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class FileFormat { Exr, Png, Tiff };

// How samples are stored in a file.
enum class SampleType { UInt8, UInt16, Half, Float };

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<float> pixels;               // width * height * 4, top row first
    SampleType storedAs = SampleType::Float; // what the file held (set by readImage)
    bool hadAlpha = true;                    // whether the file had an alpha channel

    RgbaImage() = default;
    RgbaImage(int w, int h);

    float* row(int y) { return pixels.data() + std::size_t(y) * std::size_t(width) * 4; }
    const float* row(int y) const
    {
        return pixels.data() + std::size_t(y) * std::size_t(width) * 4;
    }
};

// The largest image accepted, in pixels; guards against hostile headers.
constexpr long long kMaxImagePixels = 1LL << 28;

// Reads an EXR, PNG or TIFF file; the format is told by the file's first bytes.
// (zelk/ImageFile.h reads into a buffer of the caller's and keeps the rest of the file.)
RgbaImage readImage(const std::string& path);

// Writes `image` in `format` with `sample` storage into a new file at `path`
// (replacing one there), RGB only when the image had no alpha. Throws when the
// format cannot store that sample type (PNG: 8 or 16 bit; EXR: half or float;
// TIFF: any).
void writeImage(const std::string& path, const RgbaImage& image, FileFormat format,
                SampleType sample);

// The format a file name asks for by its extension (.exr, .png, .tif, .tiff,
// any case); throws ImageIOError naming the file when the extension is unknown.
FileFormat formatFromFileName(const std::string& path);

bool formatSupports(FileFormat format, SampleType sample);

// The sample type used when writing `format` from an image stored as `source`:
// the same where the format has it, otherwise the nearest one with no less precision.
SampleType defaultSampleType(FileFormat format, SampleType source);

// "8", "16", "half", "float" (and back); parse throws std::invalid_argument.
const char* sampleTypeName(SampleType sample);
SampleType parseSampleType(const std::string& text);

} // namespace zelk
