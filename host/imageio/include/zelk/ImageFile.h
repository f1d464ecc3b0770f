// Reading a file's graded pixels into a buffer of the caller's, and writing
// them back with everything else the file held: EXR windows, channels, parts,
// attributes and compression; TIFF resolution, ICC profile and text tags; PNG
// colour and text chunks.
//
// A reader opens the file and reads its header; it checks that the file is a
// regular file and can hold the pixels it declares before the caller allocates
// anything for them. read() decodes into the caller's buffer and returns the
// rest of the file as a Passthrough that a writer of the same format keeps.
#pragma once

#include "zelk/ImageIO.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace zelk {

// A rectangle of pixels in a file's own coordinates: x to the right, y down.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// RGBA float pixels, top row first, `rowStride` floats from a row to the next.
struct PixelView {
    float* data = nullptr;
    std::ptrdiff_t rowStride = 0;
    int width = 0;
    int height = 0;

    float* row(int y) const { return data + std::ptrdiff_t(y) * rowStride; }
};

// Pixels for a reader to fill: allocated without clearing, so memory is taken
// only as the decoder writes it, and kept for the next image while large enough.
class PixelBuffer {
public:
    PixelView view(int width, int height);

private:
    std::unique_ptr<float[]> m_data;
    std::size_t m_size = 0; // floats
};

// What a reader found in a file's header.
struct ImageInfo {
    FileFormat format = FileFormat::Exr;
    PixelRect dataWindow;    // the graded pixels; at (0, 0) outside EXR
    PixelRect displayWindow; // the frame they belong to; the data window outside EXR
    float pixelAspect = 1.0f;
    SampleType storedAs = SampleType::Float; // of the graded channels
    bool hadAlpha = false;

    int width() const { return dataWindow.width; }
    int height() const { return dataWindow.height; }
};

// Everything in a file besides its graded pixels, for a writer of the same format.
class Passthrough {
public:
    virtual ~Passthrough() = default;
    virtual FileFormat format() const = 0;
};

struct ReadOptions {
    long long maxPixels = kMaxImagePixels; // larger images are refused before reading
    std::string part;  // EXR: the part to grade, by index or name (default: the first with R, G, B)
    std::string layer; // EXR: grade LAYER.R, .G, .B and .A (default: R, G, B and A)
};

// Throws ImageIOError naming `path` unless it is a regular file (or a link to
// one), saying what it is instead: a reader refuses anything else unopened.
void checkRegularFile(const std::string& path);

class ImageReader {
public:
    // Throws ImageIOError naming the file: not a regular file, not an image,
    // damaged or cut short, larger than maxPixels, no channels to grade.
    static std::unique_ptr<ImageReader> open(const std::string& path,
                                             const ReadOptions& options = {});
    virtual ~ImageReader() = default;

    const ImageInfo& info() const { return m_info; }
    const std::string& path() const { return m_path; }

    // Decodes the graded pixels into `pixels` (info's width and height; alpha 1
    // where the file has none) and returns the rest of the file. Call once.
    virtual std::unique_ptr<Passthrough> read(const PixelView& pixels) = 0;

protected:
    ImageReader(std::string path) : m_path(std::move(path)) {}
    std::string m_path;
    ImageInfo m_info;
};

// OpenEXR compression methods, and DWA's quality level where one is given.
enum class ExrCompression { None, Rle, Zips, Zip, Piz, Pxr24, B44, B44a, Dwaa, Dwab };

struct CompressionChoice {
    ExrCompression method = ExrCompression::Zip;
    std::optional<float> dwaLevel;
};

// "none", "rle", "zips", "zip", "piz", "pxr24", "b44", "b44a", "dwaa[:LEVEL]",
// "dwab[:LEVEL]"; throws std::invalid_argument naming the text otherwise.
CompressionChoice parseCompression(const std::string& text);

struct WriteOptions {
    FileFormat format = FileFormat::Exr;
    // The graded channels' samples; default: as read, where the format has them
    // (defaultSampleType otherwise).
    std::optional<SampleType> sample;
    // EXR: the graded part's compression; default: the input's (ZIP for a PNG or TIFF input).
    std::optional<CompressionChoice> compression;
};

// How many threads decode and encode EXR files, shared by every reader and
// writer of the process (0, the default: each file on the thread that reads or
// writes it). The bytes written are the same for any count.
void setCodecThreads(unsigned threads);

// Writes `pixels` (info's size) into `fd`, an empty regular file open for
// writing that stays open, with `rest` where it came from a file of the same
// format (it may be null). `name` stands for the file in messages.
void writeImage(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
                const Passthrough* rest, const WriteOptions& options);

} // namespace zelk
