// A tiny 5 x 7 bitmap font for the contact sheet's labels. It has capitals,
// digits and common punctuation; lower-case letters draw as capitals and any
// other character as a hollow box.
#pragma once

#include "zelk/ImageIO.h"

#include <string>

namespace zelkdemo {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6; // one column of space between letters

// Width in pixels of `text` drawn at `scale`.
int textWidth(const std::string& text, int scale);

// Draws `text` with its top-left corner at (x, y) (rows from the top) in `rgb`,
// clipped to the image.
void drawText(zelk::RgbaImage& image, int x, int y, const std::string& text, int scale,
              const float rgb[3]);

} // namespace zelkdemo
