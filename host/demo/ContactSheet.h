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
};

// Area-average resize (for shrinking; enlarging repeats pixels).
zelk::RgbaImage resizeImage(const zelk::RgbaImage& image, int width, int height);

zelk::RgbaImage makeContactSheet(const SheetLayout& layout,
                                 const std::vector<SheetSection>& sections);

} // namespace zelkdemo
