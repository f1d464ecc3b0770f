// The bytes an image spans in memory, which the GPU render modes copy to the device and back.
#pragma once

#include <ofxhost/Error.h>
#include <ofxhost/Types.h>

#include <cstddef>
#include <cstdlib>
#include <string>

namespace ofxhost {

// From the start of the image's lowest row to the end of its highest.
struct ImageSpan {
    std::size_t dataOffset = 0; // of the image's data (its first row) from the span's start
    std::size_t bytes = 0;
};

// Throws Error naming `mode` for an empty image of float RGBA pixels.
inline ImageSpan floatRgbaSpan(const ImageDesc& image, const char* mode)
{
    const long rows = long(image.bounds.y2) - image.bounds.y1;
    const long width = long(image.bounds.x2) - image.bounds.x1;
    if (rows <= 0 || width <= 0 || !image.data)
        throw Error(std::string(mode) + " render: empty image");
    const long lastRow = (rows - 1) * long(image.rowBytes);
    ImageSpan span;
    span.dataOffset = std::size_t(lastRow < 0 ? -lastRow : 0);
    span.bytes = std::size_t(std::labs(lastRow)) + std::size_t(width) * 4 * sizeof(float);
    return span;
}

} // namespace ofxhost
