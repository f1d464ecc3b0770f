// TIFF through libtiff: strip images of grey or RGB, with or without alpha, in
// 8 or 16 bit integers or 32-bit float, contiguous or planar, read directly; any
// other 8-bit layout (palette, YCbCr, tiles, ...) through libtiff's RGBA reader.
#include "FormatIO.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace zelk::detail {

namespace {

struct TiffError {
    char message[256] = "";
};

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

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Opens `path` by name, or through a duplicate of `fd` (libtiff closes what it
// was given) when fd is not -1.
TiffPtr openTiff(const std::string& path, int fd, const char* mode, TiffError* error)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onTiffError, error);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onTiffWarning, nullptr);
    TIFF* opened = nullptr;
    if (fd < 0) {
        opened = TIFFOpenExt(path.c_str(), mode, options);
    } else {
        const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (copy >= 0) {
            opened = TIFFFdOpenExt(copy, path.c_str(), mode, options);
            if (!opened)
                ::close(copy);
        }
    }
    TiffPtr tif(opened);
    TIFFOpenOptionsFree(options);
    if (!tif)
        fail(path, std::string("cannot open TIFF: ") +
                       (error->message[0] ? error->message : "unknown error"));
    return tif;
}

[[noreturn]] void failTiff(const std::string& path, const char* what, const TiffError& error)
{
    fail(path, std::string(what) + (error.message[0] ? std::string(": ") + error.message : ""));
}

float sampleToFloat(const unsigned char* p, int bits, std::uint32_t i)
{
    switch (bits) {
    case 8:
        return float(p[i]) / 255.0f;
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, p + 2 * std::size_t(i), sizeof v);
        return float(v) / 65535.0f;
    }
    default: {
        float v;
        std::memcpy(&v, p + 4 * std::size_t(i), sizeof v);
        return v;
    }
    }
}

void readViaRgba(const std::string& path, TIFF* tif, RgbaImage& image, const TiffError& error)
{
    std::vector<std::uint32_t> raster(std::size_t(image.width) * image.height);
    if (!TIFFReadRGBAImageOriented(tif, image.width, image.height, raster.data(),
                                   ORIENTATION_TOPLEFT, 0))
        failTiff(path, "cannot read TIFF", error);
    for (std::size_t i = 0; i < raster.size(); ++i) {
        image.pixels[4 * i + 0] = float(TIFFGetR(raster[i])) / 255.0f;
        image.pixels[4 * i + 1] = float(TIFFGetG(raster[i])) / 255.0f;
        image.pixels[4 * i + 2] = float(TIFFGetB(raster[i])) / 255.0f;
        image.pixels[4 * i + 3] = image.hadAlpha ? float(TIFFGetA(raster[i])) / 255.0f : 1.0f;
    }
}

} // namespace

RgbaImage readTiff(const std::string& path)
{
    TiffError error;
    TiffPtr owner = openTiff(path, -1, "r", &error);
    TIFF* tif = owner.get();

    std::uint32_t width = 0, height = 0;
    std::uint16_t spp = 1, bits = 1, format = SAMPLEFORMAT_UINT,
                  photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG,
                  extraCount = 0;
    std::uint16_t* extraTypes = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
        failTiff(path, "TIFF has no image size", error);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    checkDimensions(path, width, height);

    RgbaImage image{int(width), int(height)};
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK;
    const int colours = grey ? 1 : 3;
    image.hadAlpha = extraCount > 0 && spp > colours;

    const bool intSamples = format == SAMPLEFORMAT_UINT && (bits == 8 || bits == 16);
    const bool floatSamples = format == SAMPLEFORMAT_IEEEFP && bits == 32;
    const bool direct = !TIFFIsTiled(tif) && (intSamples || floatSamples) && spp >= colours &&
                        (grey || photometric == PHOTOMETRIC_RGB);
    if (!direct) {
        if (bits != 8 || format != SAMPLEFORMAT_UINT)
            fail(path, "unsupported TIFF layout (" + std::to_string(bits) + "-bit, " +
                           std::to_string(spp) + " samples, photometric " +
                           std::to_string(photometric) + (TIFFIsTiled(tif) ? ", tiled" : "") + ")");
        image.storedAs = SampleType::UInt8;
        readViaRgba(path, tif, image, error);
        return image;
    }
    image.storedAs =
        floatSamples ? SampleType::Float : (bits == 16 ? SampleType::UInt16 : SampleType::UInt8);

    // Samples used from each pixel: the colours, then alpha when there is one.
    const int used = colours + (image.hadAlpha ? 1 : 0);
    const int planes = planar == PLANARCONFIG_SEPARATE ? used : 1;
    const int stride = planar == PLANARCONFIG_SEPARATE ? 1 : spp;
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize < tmsize_t(std::size_t(width) * stride * (bits / 8)))
        failTiff(path, "unexpected TIFF scan-line size", error);
    std::vector<unsigned char> line(static_cast<std::size_t>(lineSize));
    for (int plane = 0; plane < planes; ++plane) {
        for (std::uint32_t y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif, line.data(), y, std::uint16_t(plane)) < 0)
                failTiff(path, "cannot read TIFF", error);
            float* out = image.row(int(y));
            for (std::uint32_t x = 0; x < width; ++x) {
                for (int s = 0; s < used; ++s) {
                    if (planes > 1 && s != plane)
                        continue;
                    const std::uint32_t index = x * stride + (planes > 1 ? 0 : s);
                    const float v = sampleToFloat(line.data(), bits, index);
                    const int channel = s < colours ? s : 3;
                    out[4 * x + channel] = v;
                }
                if (grey && (planes == 1 || plane == 0))
                    out[4 * x + 1] = out[4 * x + 2] = out[4 * x];
                if (!image.hadAlpha)
                    out[4 * x + 3] = 1.0f;
            }
        }
    }
    return image;
}

void writeTiff(int fd, const std::string& path, const RgbaImage& image, SampleType sample)
{
    TiffError error;
    TiffPtr owner = openTiff(path, fd, "w", &error);
    TIFF* tif = owner.get();
    const int bits = sample == SampleType::UInt8 ? 8 : sample == SampleType::UInt16 ? 16 : 32;
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(image.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(image.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));

    const std::size_t samples = std::size_t(image.width) * 4;
    std::vector<unsigned char> line(samples * (bits / 8));
    for (int y = 0; y < image.height; ++y) {
        const float* in = image.row(y);
        for (std::size_t i = 0; i < samples; ++i) {
            if (bits == 8)
                line[i] = (unsigned char)quantize(in[i], 255);
            else if (bits == 16) {
                const std::uint16_t v = std::uint16_t(quantize(in[i], 65535));
                std::memcpy(line.data() + 2 * i, &v, sizeof v);
            } else
                std::memcpy(line.data() + 4 * i, &in[i], 4);
        }
        if (TIFFWriteScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
            failTiff(path, "cannot write TIFF", error);
    }
    if (!TIFFFlush(tif))
        failTiff(path, "cannot write TIFF", error);
}

} // namespace zelk::detail
