#include "Icon.h"

#include "ContactSheet.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zelkdemo {

namespace {

constexpr double kMidGrey = 0.18;
constexpr double kWheelStops = 0.5;
constexpr double kRimSaturation = 0.95; // 1 would take one channel to zero
constexpr double kWheelRadius = 0.96;   // of half the image's side
constexpr double kTurn = 6.283185307179586;
constexpr int kTileGap = 4; // pixels between neighbouring tiles

void paste(zelk::RgbaImage& into, const zelk::RgbaImage& tile, int left, int top)
{
    for (int y = 0; y < tile.height; ++y)
        std::copy_n(tile.row(y), 4 * tile.width, into.row(top + y) + 4 * left);
}

} // namespace

zelk::RgbaImage makeColourWheel(zelk::lut::TransferCurve curve, int size)
{
    zelk::RgbaImage image{size, size};
    const double mean = kMidGrey * std::exp2(kWheelStops);
    for (int y = 0; y < size; ++y) {
        float* row = image.row(y);
        for (int x = 0; x < size; ++x) {
            const double u = (x + 0.5) / size * 2.0 - 1.0, v = 1.0 - (y + 0.5) / size * 2.0;
            const double radius = std::hypot(u, v) / kWheelRadius;
            const double hue = std::atan2(v, u) / kTurn;
            const double saturation = kRimSaturation * std::sqrt(std::min(radius, 1.0));
            for (int c = 0; c < 3; ++c) {
                const double scene = mean * (1.0 + saturation * std::cos(kTurn * (hue - c / 3.0)));
                row[4 * x + c] = float(zelk::lut::encodeCurve(curve, scene));
            }
            row[4 * x + 3] = radius <= 1.0 ? 1.0f : 0.0f;
        }
    }
    image.storedAs = zelk::SampleType::Float;
    return image;
}

zelk::RgbaImage makeIcon(const std::vector<zelk::RgbaImage>& tiles, int size)
{
    if (tiles.empty())
        throw std::invalid_argument("an icon needs at least one image");
    const int count = int(tiles.size());
    const int columns = int(std::ceil(std::sqrt(double(count))));
    const int rows = (count + columns - 1) / columns;
    const int cell = size / std::max(columns, rows);
    const int side = cell - kTileGap;
    if (side < 1)
        throw std::invalid_argument("an icon of " + std::to_string(size) + " pixels cannot hold " +
                                    std::to_string(count) + " images");
    zelk::RgbaImage icon{size, size};
    std::fill(icon.pixels.begin(), icon.pixels.end(), 0.0f);
    const int left = (size - columns * cell) / 2 + kTileGap / 2;
    const int top = (size - rows * cell) / 2 + kTileGap / 2;
    for (int i = 0; i < count; ++i) {
        const zelk::RgbaImage& tile = tiles[std::size_t(i)];
        // Fitted into the square cell, keeping the image's shape.
        const double scale = double(side) / std::max(tile.width, tile.height);
        const int w = std::max(1, int(std::lround(tile.width * scale)));
        const int h = std::max(1, int(std::lround(tile.height * scale)));
        paste(icon, resizeImage(tile, w, h), left + (i % columns) * cell + (side - w) / 2,
              top + (i / columns) * cell + (side - h) / 2);
    }
    icon.storedAs = zelk::SampleType::UInt8;
    return icon;
}

} // namespace zelkdemo
