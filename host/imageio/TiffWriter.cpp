// TIFF output: RGB or RGBA (as the image had alpha), contiguous, deflate,
// shown the right way up (Orientation 1), with a TIFF input's resolution, ICC
// profile, text tags and kind of alpha.
#include "FormatIO.h"
#include "TiffFormat.h"

#include <cstring>

namespace zelk::detail {

void writeTiff(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
               const Passthrough* rest, SampleType sample)
{
    TiffError error;
    TiffPtr owner = openTiffOn(fd, name, "w", &error);
    TIFF* tif = owner.get();
    const int bits = sample == SampleType::UInt8 ? 8 : sample == SampleType::UInt16 ? 16 : 32;
    const int channels = info.hadAlpha ? 4 : 3;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(pixels.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(pixels.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, bits == 32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const auto* kept = dynamic_cast<const TiffPassthrough*>(rest);
    if (info.hadAlpha) {
        const std::uint16_t extra[1] = {
            kept && kept->alphaKind ? *kept->alphaKind : std::uint16_t(EXTRASAMPLE_UNASSALPHA)};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (kept)
        setTiffTags(tif, *kept);

    const std::size_t samples = std::size_t(pixels.width) * channels;
    std::vector<unsigned char> line(samples * (bits / 8));
    for (int y = 0; y < pixels.height; ++y) {
        const float* in = pixels.row(y);
        for (std::size_t i = 0; i < samples; ++i) {
            const float v = in[(i / channels) * 4 + i % channels];
            if (bits == 8) {
                line[i] = (unsigned char)quantize(v, 255);
            } else if (bits == 16) {
                const std::uint16_t q = std::uint16_t(quantize(v, 65535));
                std::memcpy(line.data() + 2 * i, &q, sizeof q);
            } else {
                std::memcpy(line.data() + 4 * i, &v, 4);
            }
        }
        if (TIFFWriteScanline(tif, line.data(), std::uint32_t(y), 0) < 0)
            failTiff(name, "cannot write TIFF", error);
    }
    if (!TIFFFlush(tif))
        failTiff(name, "cannot write TIFF", error);
}

} // namespace zelk::detail
