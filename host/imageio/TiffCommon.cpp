#include "FormatIO.h"
#include "TiffFormat.h"

#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace zelk::detail {

namespace {

int onTiffError(TIFF*, void* userData, const char* module, const char* format, va_list args)
{
    auto* error = static_cast<TiffError*>(userData);
    if (error->message[0] == '\0') { // the first error is the cause; keep it
        char text[200];
        std::vsnprintf(text, sizeof text, format, args);
        std::snprintf(error->message, sizeof error->message, "%s%s%s", module ? module : "",
                      module ? ": " : "", text);
    }
    return 1;
}

int onTiffWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

// Descriptive text tags a grade does not change.
const ttag_t kTextTags[] = {TIFFTAG_IMAGEDESCRIPTION,
                            TIFFTAG_DOCUMENTNAME,
                            TIFFTAG_PAGENAME,
                            TIFFTAG_MAKE,
                            TIFFTAG_MODEL,
                            TIFFTAG_DATETIME,
                            TIFFTAG_ARTIST,
                            TIFFTAG_HOSTCOMPUTER,
                            TIFFTAG_COPYRIGHT};

} // namespace

TiffPtr openTiffOn(int fd, const std::string& path, const char* mode, TiffError* error)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffError, error);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffWarning, nullptr);
    TIFF* opened = nullptr;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0) {
        opened = TIFFFdOpenExt(copy, path.c_str(), mode, options);
        if (!opened)
            ::close(copy);
    }
    TIFFOpenOptionsFree(options);
    if (!opened)
        fail(path, std::string("cannot open TIFF: ") +
                       (error->message[0] ? error->message : "unknown error"));
    return TiffPtr(opened);
}

void failTiff(const std::string& path, const char* what, const TiffError& error)
{
    fail(path, std::string(what) + (error.message[0] ? std::string(": ") + error.message : ""));
}

TiffOrientation::TiffOrientation(int tag, int storedWidth, int storedHeight)
    : m_storedWidth(storedWidth), m_storedHeight(storedHeight)
{
    switch (tag) {
    case ORIENTATION_TOPRIGHT:
        m_reverseX = true;
        break;
    case ORIENTATION_BOTRIGHT:
        m_reverseX = m_reverseY = true;
        break;
    case ORIENTATION_BOTLEFT:
        m_reverseY = true;
        break;
    case ORIENTATION_LEFTTOP: // stored row r is shown column r; its start at the top
        m_transposed = true;
        break;
    case ORIENTATION_RIGHTTOP:
        m_transposed = m_reverseY = true;
        break;
    case ORIENTATION_RIGHTBOT:
        m_transposed = m_reverseX = m_reverseY = true;
        break;
    case ORIENTATION_LEFTBOT:
        m_transposed = m_reverseX = true;
        break;
    default:
        break;
    }
}

float* TiffOrientation::rowStart(const PixelView& shown, int storedRow) const
{
    const int r = m_reverseY ? m_storedHeight - 1 - storedRow : storedRow;
    if (!m_transposed)
        return shown.row(r) + (m_reverseX ? 4 * std::ptrdiff_t(m_storedWidth - 1) : 0);
    return shown.row(m_reverseX ? m_storedWidth - 1 : 0) + 4 * std::ptrdiff_t(r);
}

std::ptrdiff_t TiffOrientation::step(const PixelView& shown) const
{
    const std::ptrdiff_t along = m_transposed ? shown.rowStride : 4;
    return m_reverseX ? -along : along;
}

std::unique_ptr<TiffPassthrough> keepTiffTags(TIFF* tif, bool hadAlpha)
{
    auto rest = std::make_unique<TiffPassthrough>();
    float resolution = 0;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution))
        rest->xResolution = resolution;
    if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &resolution))
        rest->yResolution = resolution;
    std::uint16_t unit = 0;
    if (TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit))
        rest->resolutionUnit = unit;
    std::uint32_t length = 0;
    void* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &profile) && profile)
        rest->iccProfile.assign(static_cast<unsigned char*>(profile),
                                static_cast<unsigned char*>(profile) + length);
    for (ttag_t tag : kTextTags) {
        char* text = nullptr;
        if (TIFFGetField(tif, tag, &text) && text)
            rest->texts.emplace_back(tag, text);
    }
    std::uint16_t extraCount = 0;
    std::uint16_t* extraTypes = nullptr;
    if (hadAlpha && TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) &&
        extraCount > 0 && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA)
        rest->alphaKind = EXTRASAMPLE_ASSOCALPHA;
    return rest;
}

void setTiffTags(TIFF* tif, const TiffPassthrough& rest)
{
    if (rest.xResolution)
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, *rest.xResolution);
    if (rest.yResolution)
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, *rest.yResolution);
    if (rest.resolutionUnit)
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, *rest.resolutionUnit);
    if (!rest.iccProfile.empty())
        TIFFSetField(tif, TIFFTAG_ICCPROFILE, std::uint32_t(rest.iccProfile.size()),
                     rest.iccProfile.data());
    for (const auto& [tag, text] : rest.texts)
        TIFFSetField(tif, tag, text.c_str());
}

} // namespace zelk::detail
