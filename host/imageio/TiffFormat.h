// libtiff's error handling, the TIFF orientation, and what the TIFF reader
// hands the TIFF writer: resolution, ICC profile, text tags and alpha kind.
#pragma once

#include "zelk/ImageFile.h"

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zelk::detail {

struct TiffError {
    char message[256] = "";
};

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Opens a duplicate of `fd` (libtiff closes what it is given); errors land in `error`.
TiffPtr openTiffOn(int fd, const std::string& path, const char* mode, TiffError* error);
[[noreturn]] void failTiff(const std::string& path, const char* what, const TiffError& error);

// Where the pixels of a TIFF stored with an Orientation tag (1 to 8; anything
// else counts as 1) land in the image shown the right way up.
class TiffOrientation {
public:
    TiffOrientation(int tag, int storedWidth, int storedHeight);
    int shownWidth() const { return m_transposed ? m_storedHeight : m_storedWidth; }
    int shownHeight() const { return m_transposed ? m_storedWidth : m_storedHeight; }
    // The shown pixel of stored pixel (0, storedRow), and the step in floats
    // from one stored pixel of that row to the next.
    float* rowStart(const PixelView& shown, int storedRow) const;
    std::ptrdiff_t step(const PixelView& shown) const;

private:
    int m_storedWidth;
    int m_storedHeight;
    bool m_transposed = false; // stored rows are shown as columns
    bool m_reverseX = false;   // along a stored row, shown positions decrease
    bool m_reverseY = false;   // later stored rows are shown before earlier ones
};

class TiffPassthrough : public Passthrough {
public:
    FileFormat format() const override { return FileFormat::Tiff; }

    std::optional<float> xResolution;
    std::optional<float> yResolution;
    std::optional<std::uint16_t> resolutionUnit;
    std::vector<unsigned char> iccProfile;
    std::vector<std::pair<ttag_t, std::string>> texts;
    std::optional<std::uint16_t> alphaKind; // EXTRASAMPLE_ASSOCALPHA or _UNASSALPHA
};

std::unique_ptr<TiffPassthrough> keepTiffTags(TIFF* tif, bool hadAlpha);
void setTiffTags(TIFF* tif, const TiffPassthrough& rest);

} // namespace zelk::detail
