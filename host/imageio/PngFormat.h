// libpng's error handling, and what the PNG reader hands the PNG writer: the
// colour and text chunks. libpng reports errors by longjmp, so every libpng
// call sits in a small function that holds only plain data across its setjmp.
#pragma once

#include "zelk/ImageFile.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelk::detail {

struct PngError {
    char message[256] = "unknown libpng error";
};

void onPngError(png_structp png, png_const_charp text);
void onPngWarning(png_structp png, png_const_charp text);

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A stream of its own on a duplicate of `fd`, so closing it leaves `fd` open.
FilePtr streamOnDescriptor(int fd, const char* mode, const std::string& path);

struct PngText {
    int compression = PNG_TEXT_COMPRESSION_NONE;
    std::string key;
    std::string text;
    std::string language; // iTXt only
    std::string translatedKey;
};

class PngPassthrough : public Passthrough {
public:
    FileFormat format() const override { return FileFormat::Png; }

    std::optional<std::pair<std::string, std::vector<png_byte>>> iccProfile; // name, profile
    std::optional<int> srgbIntent;
    std::optional<png_fixed_point> gamma;
    std::optional<std::vector<png_fixed_point>> chromaticities; // white x, y, red, green, blue
    std::optional<std::vector<png_uint_32>> physical;           // pixels per unit x, y; unit
    std::vector<PngText> texts;
};

// Collects what `info` holds of the chunks above (libpng's getters never longjmp).
std::unique_ptr<PngPassthrough> keepPngChunks(png_structp png, png_infop info);
// libpng's text records pointing into `rest`, made before any setjmp.
std::vector<png_text> textRecords(const PngPassthrough& rest);
// Sets the chunks on `info` for writing; may longjmp, so it owns nothing.
void setPngChunks(png_structp png, png_infop info, const PngPassthrough& rest, png_textp texts,
                  int textCount);

} // namespace zelk::detail
