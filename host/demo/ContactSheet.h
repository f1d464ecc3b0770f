// A labelled contact sheet: images laid out in a grid under section headings.
#pragma once

#include "zelk/ImageIO.h"

#include <string>
#include <vector>

namespace zelkdemo {

struct SheetTile {
    std::string label;
    zelk::RgbaImage image;
};

struct SheetSection {
    std::string heading;
    std::vector<SheetTile> tiles;
};

struct SheetLayout {
    std::string title;
    int columns = 4;
    int tileWidth = 256; // tiles keep their image's aspect ratio
    // The band of each image the tiles show, as fractions of its height from
    // the top: all of it by default, or a close-up of one part.
    double cropTop = 0.0;
    double cropBottom = 1.0;
};

// Area-average resize (for shrinking; enlarging repeats pixels).
zelk::RgbaImage resizeImage(const zelk::RgbaImage& image, int width, int height);

// The rows of `image` between the fractions `top` and `bottom` of its height.
zelk::RgbaImage cropRows(const zelk::RgbaImage& image, double top, double bottom);

zelk::RgbaImage makeContactSheet(const SheetLayout& layout,
                                 const std::vector<SheetSection>& sections);

} // namespace zelkdemo
