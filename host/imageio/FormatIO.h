// The per-format readers and writers behind ImageReader and writeImage, and
// the helpers they share.
#pragma once

#include "InputFile.h"
#include "zelk/ImageFile.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zelk::detail {

// Each reader takes the open file over; its header has been read when it returns.
std::unique_ptr<ImageReader> openExr(std::unique_ptr<InputFile> file, const ReadOptions& options);
std::unique_ptr<ImageReader> openPng(std::unique_ptr<InputFile> file, const ReadOptions& options);
std::unique_ptr<ImageReader> openTiff(std::unique_ptr<InputFile> file, const ReadOptions& options);

// Each writer writes through `fd`; `rest` is of its own format or null.
void writeExr(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
              const Passthrough* rest, const WriteOptions& options);
void writePng(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
              const Passthrough* rest, SampleType sample);
void writeTiff(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
               const Passthrough* rest, SampleType sample);

// Throws when the dimensions are not positive or exceed `maxPixels`.
void checkDimensions(const std::string& path, long long width, long long height,
                     long long maxPixels = kMaxImagePixels);

[[noreturn]] void fail(const std::string& path, const std::string& reason);

// The readers' base: the open file and the options it was opened with.
class FileReader : public ImageReader {
protected:
    FileReader(std::unique_ptr<InputFile> file, const ReadOptions& options)
        : ImageReader(file->path()), m_file(std::move(file)), m_options(options)
    {
    }
    std::unique_ptr<InputFile> m_file;
    ReadOptions m_options;
};

// Float to an integer sample: clamped to [0, 1], NaN to 0, rounded to nearest.
inline std::uint32_t quantize(float value, std::uint32_t maxValue)
{
    if (!(value > 0.0f))
        return 0; // also NaN
    if (value >= 1.0f)
        return maxValue;
    return std::uint32_t(double(value) * maxValue + 0.5);
}

// Memory for samples that the decoder fills: never cleared first, so pages are
// only taken as the data arrives.
template <typename T> std::unique_ptr<T[]> uninitialised(std::size_t count)
{
    return std::unique_ptr<T[]>(new T[count]);
}

} // namespace zelk::detail
