#include "FormatIO.h"
#include "PngFormat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zelk::detail {

void onPngError(png_structp png, png_const_charp text)
{
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(error->message, sizeof error->message, "%s", text);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

FilePtr streamOnDescriptor(int fd, const char* mode, const std::string& path)
{
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    FilePtr file(copy < 0 ? nullptr : ::fdopen(copy, mode));
    if (!file) {
        const int err = errno;
        if (copy >= 0)
            ::close(copy);
        fail(path, std::string("cannot open: ") + std::strerror(err));
    }
    return file;
}

std::unique_ptr<PngPassthrough> keepPngChunks(png_structp png, png_infop info)
{
    auto rest = std::make_unique<PngPassthrough>();
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) == PNG_INFO_iCCP)
        rest->iccProfile.emplace(name, std::vector<png_byte>(profile, profile + length));
    int intent = 0;
    if (png_get_sRGB(png, info, &intent) == PNG_INFO_sRGB)
        rest->srgbIntent = intent;
    png_fixed_point gamma = 0;
    if (png_get_gAMA_fixed(png, info, &gamma) == PNG_INFO_gAMA)
        rest->gamma = gamma;
    std::vector<png_fixed_point> xy(8);
    if (png_get_cHRM_fixed(png, info, &xy[0], &xy[1], &xy[2], &xy[3], &xy[4], &xy[5], &xy[6],
                           &xy[7]) == PNG_INFO_cHRM)
        rest->chromaticities = xy;
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) == PNG_INFO_pHYs)
        rest->physical = std::vector<png_uint_32>{x, y, png_uint_32(unit)};
    png_textp texts = nullptr;
    const int count = png_get_text(png, info, &texts, nullptr);
    for (int i = 0; i < count; ++i) {
        PngText t;
        t.compression = texts[i].compression;
        t.key = texts[i].key;
        t.text.assign(texts[i].text ? texts[i].text : "",
                      texts[i].compression >= PNG_ITXT_COMPRESSION_NONE ? texts[i].itxt_length
                                                                        : texts[i].text_length);
        if (texts[i].compression >= PNG_ITXT_COMPRESSION_NONE) {
            t.language = texts[i].lang ? texts[i].lang : "";
            t.translatedKey = texts[i].lang_key ? texts[i].lang_key : "";
        }
        rest->texts.push_back(std::move(t));
    }
    return rest;
}

std::vector<png_text> textRecords(const PngPassthrough& rest)
{
    std::vector<png_text> records(rest.texts.size());
    for (std::size_t i = 0; i < rest.texts.size(); ++i) {
        const PngText& t = rest.texts[i];
        png_text& r = records[i];
        r.compression = t.compression;
        r.key = const_cast<png_charp>(t.key.c_str());
        r.text = const_cast<png_charp>(t.text.c_str());
        if (t.compression >= PNG_ITXT_COMPRESSION_NONE) {
            r.itxt_length = t.text.size();
            r.lang = const_cast<png_charp>(t.language.c_str());
            r.lang_key = const_cast<png_charp>(t.translatedKey.c_str());
        } else {
            r.text_length = t.text.size();
        }
    }
    return records;
}

void setPngChunks(png_structp png, png_infop info, const PngPassthrough& rest, png_textp texts,
                  int textCount)
{
    if (rest.iccProfile)
        png_set_iCCP(png, info, rest.iccProfile->first.c_str(), PNG_COMPRESSION_TYPE_BASE,
                     rest.iccProfile->second.data(), png_uint_32(rest.iccProfile->second.size()));
    if (rest.srgbIntent)
        png_set_sRGB(png, info, *rest.srgbIntent);
    if (rest.gamma)
        png_set_gAMA_fixed(png, info, *rest.gamma);
    if (rest.chromaticities) {
        const std::vector<png_fixed_point>& xy = *rest.chromaticities;
        png_set_cHRM_fixed(png, info, xy[0], xy[1], xy[2], xy[3], xy[4], xy[5], xy[6], xy[7]);
    }
    if (rest.physical)
        png_set_pHYs(png, info, (*rest.physical)[0], (*rest.physical)[1], int((*rest.physical)[2]));
    if (textCount > 0)
        png_set_text(png, info, texts, textCount);
}

} // namespace zelk::detail
