#pragma once

// An image in host memory laid out as a host may hand it over, for the GPU
// layout tests: rows `rowBytes` apart (negative: each row below the one before
// in memory), every float of its block, padding included, starting as `fill`.

#include <ofxhost/Types.h>

#include <cstdlib>
#include <vector>

namespace zelktest {

struct HostImage {
    OfxRectI bounds;
    int rowBytes;
    std::vector<float> block;

    HostImage(OfxRectI b, int rowBytes_, float fill)
        : bounds(b), rowBytes(rowBytes_),
          block(size_t(std::abs(rowBytes_)) / 4 * size_t(b.y2 - b.y1), fill)
    {
    }
    // Float index of pixel (x, y) in the block.
    size_t at(int x, int y) const
    {
        const long rowFloats = rowBytes / 4;
        const long firstRow = rowBytes < 0 ? -rowFloats * (bounds.y2 - bounds.y1 - 1) : 0;
        return size_t(firstRow + rowFloats * (y - bounds.y1) + 4 * (x - bounds.x1));
    }
    ofxhost::ImageDesc desc()
    {
        ofxhost::ImageDesc d;
        d.data = &block[at(bounds.x1, bounds.y1)];
        d.rowBytes = rowBytes;
        d.bounds = bounds;
        return d;
    }
};

} // namespace zelktest
