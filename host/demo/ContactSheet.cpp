#include "ContactSheet.h"

#include "BitmapFont.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zelkdemo {

namespace {

constexpr int kMargin = 24;
constexpr int kGap = 16;
constexpr int kTitleScale = 3;
constexpr int kHeadingScale = 2;
constexpr int kLabelScale = 2;
constexpr int kLabelHeight = kGlyphHeight * kLabelScale + 10;
constexpr float kBackground[3] = {0.11f, 0.11f, 0.12f};
constexpr float kTitleColour[3] = {0.95f, 0.95f, 0.95f};
constexpr float kHeadingColour[3] = {0.95f, 0.78f, 0.45f};
constexpr float kLabelColour[3] = {0.80f, 0.80f, 0.82f};

int tileHeightFor(const zelk::RgbaImage& image, int tileWidth)
{
    return std::max(1, int(std::lround(double(image.height) * tileWidth / image.width)));
}

// Shortens `text` until it fits `width` at `scale`.
std::string fitText(std::string text, int width, int scale)
{
    while (!text.empty() && textWidth(text, scale) > width)
        text.pop_back();
    return text;
}

void paste(zelk::RgbaImage& sheet, const zelk::RgbaImage& tile, int left, int top)
{
    for (int y = 0; y < tile.height && top + y < sheet.height; ++y) {
        const float* in = tile.row(y);
        float* out = sheet.row(top + y);
        for (int x = 0; x < tile.width && left + x < sheet.width; ++x)
            for (int c = 0; c < 4; ++c)
                out[4 * (left + x) + c] = c == 3 ? 1.0f : in[4 * x + c];
    }
}

} // namespace

zelk::RgbaImage resizeImage(const zelk::RgbaImage& image, int width, int height)
{
    zelk::RgbaImage out{width, height};
    const double sx = double(image.width) / width, sy = double(image.height) / height;
    for (int y = 0; y < height; ++y) {
        const int y0 = int(std::floor(y * sy));
        const int y1 = std::max(y0 + 1, std::min(image.height, int(std::ceil((y + 1) * sy))));
        for (int x = 0; x < width; ++x) {
            const int x0 = int(std::floor(x * sx));
            const int x1 = std::max(x0 + 1, std::min(image.width, int(std::ceil((x + 1) * sx))));
            double sum[4] = {};
            for (int iy = y0; iy < y1; ++iy)
                for (int ix = x0; ix < x1; ++ix)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += image.row(iy)[4 * ix + c];
            const double n = double(y1 - y0) * (x1 - x0);
            for (int c = 0; c < 4; ++c)
                out.row(y)[4 * x + c] = float(sum[c] / n);
        }
    }
    return out;
}

zelk::RgbaImage cropRows(const zelk::RgbaImage& image, double top, double bottom)
{
    const int first = std::clamp(int(std::floor(top * image.height)), 0, image.height - 1);
    const int end = std::clamp(int(std::ceil(bottom * image.height)), first + 1, image.height);
    zelk::RgbaImage out{image.width, end - first};
    std::copy(image.row(first), image.row(first) + std::size_t(end - first) * image.width * 4,
              out.pixels.begin());
    return out;
}

zelk::RgbaImage makeContactSheet(const SheetLayout& layout,
                                 const std::vector<SheetSection>& sections)
{
    if (layout.columns < 1 || layout.tileWidth < 8)
        throw std::invalid_argument("contact sheet needs at least one column of 8 pixels");
    if (!(layout.cropTop >= 0.0 && layout.cropTop < layout.cropBottom && layout.cropBottom <= 1.0))
        throw std::invalid_argument("contact sheet crop must lie within the image");
    const bool cropped = layout.cropTop > 0.0 || layout.cropBottom < 1.0;
    auto shown = [&](const zelk::RgbaImage& image) {
        return cropped ? cropRows(image, layout.cropTop, layout.cropBottom) : image;
    };
    // Every tile of a sheet gets the height of the first image's aspect ratio.
    int tileHeight = 0;
    for (const SheetSection& s : sections)
        if (!s.tiles.empty() && tileHeight == 0)
            tileHeight = tileHeightFor(shown(s.tiles.front().image), layout.tileWidth);
    if (tileHeight == 0)
        throw std::invalid_argument("contact sheet has no images");

    const int width = 2 * kMargin + layout.columns * layout.tileWidth + (layout.columns - 1) * kGap;
    const int titleHeight = layout.title.empty() ? 0 : kGlyphHeight * kTitleScale + kGap;
    const int headingHeight = kGlyphHeight * kHeadingScale + 10;
    const int rowHeight = tileHeight + kLabelHeight + kGap / 2;
    int height = 2 * kMargin + titleHeight;
    for (const SheetSection& s : sections) {
        const int rows = (int(s.tiles.size()) + layout.columns - 1) / layout.columns;
        height += headingHeight + rows * rowHeight + kGap;
    }

    zelk::RgbaImage sheet{width, height};
    for (std::size_t i = 0; i < sheet.pixels.size(); i += 4) {
        for (int c = 0; c < 3; ++c)
            sheet.pixels[i + c] = kBackground[c];
        sheet.pixels[i + 3] = 1.0f;
    }

    int top = kMargin;
    if (!layout.title.empty()) {
        drawText(sheet, kMargin, top, fitText(layout.title, width - 2 * kMargin, kTitleScale),
                 kTitleScale, kTitleColour);
        top += titleHeight;
    }
    for (const SheetSection& s : sections) {
        drawText(sheet, kMargin, top, fitText(s.heading, width - 2 * kMargin, kHeadingScale),
                 kHeadingScale, kHeadingColour);
        top += headingHeight;
        for (std::size_t i = 0; i < s.tiles.size(); ++i) {
            const int col = int(i) % layout.columns, row = int(i) / layout.columns;
            const int left = kMargin + col * (layout.tileWidth + kGap);
            const int tileTop = top + row * rowHeight;
            paste(sheet, resizeImage(shown(s.tiles[i].image), layout.tileWidth, tileHeight), left,
                  tileTop);
            drawText(sheet, left, tileTop + tileHeight + 6,
                     fitText(s.tiles[i].label, layout.tileWidth, kLabelScale), kLabelScale,
                     kLabelColour);
        }
        top += (int(s.tiles.size()) + layout.columns - 1) / layout.columns * rowHeight + kGap;
    }
    return sheet;
}

} // namespace zelkdemo
