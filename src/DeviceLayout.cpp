#include "DeviceLayout.h"

#include <cstdint>
#include <cstdlib>

namespace zelk {

namespace {

constexpr int kPixelBytes = 16; // RGBA, 32-bit float

std::string rectText(const OfxRectI& r)
{
    return "(" + std::to_string(r.x1) + ", " + std::to_string(r.y1) + ")-(" + std::to_string(r.x2) +
           ", " + std::to_string(r.y2) + ")";
}

} // namespace

std::string deviceLayout(const OfxRectI& window, const OfxRectI& bounds, int rowBytes,
                         GpuImageLayout& layout)
{
    if (window.x1 < bounds.x1 || window.x2 > bounds.x2 || window.y1 < bounds.y1 ||
        window.y2 > bounds.y2)
        return "of bounds " + rectText(bounds) + " does not cover the render window " +
               rectText(window);
    if (rowBytes % kPixelBytes != 0)
        return "has rows " + std::to_string(rowBytes) +
               " bytes apart, not a whole number of 16-byte pixels";
    const std::int64_t width = std::int64_t(bounds.x2) - bounds.x1;
    const std::int64_t pitch = rowBytes / kPixelBytes;
    if (std::llabs(pitch) < width)
        return "has rows " + std::to_string(rowBytes) + " bytes apart, too close for its " +
               std::to_string(width) + " pixels";
    layout.pitch = static_cast<std::int32_t>(pitch);
    layout.first =
        (std::int64_t(window.y1) - bounds.y1) * pitch + (std::int64_t(window.x1) - bounds.x1);
    return "";
}

} // namespace zelk
