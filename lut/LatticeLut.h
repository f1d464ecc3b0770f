#pragma once

#include <cstddef>
#include <vector>

namespace zelk::lut {

// A 3D LUT on a lattice spanning 0..1 on each axis, in the layout of the
// bundle's look files: entry (ir, ig, ib) at index (ir*N + ig)*N + ib (blue
// fastest), three floats (r, g, b) per entry.
struct LatticeLut {
    int size = 0;
    std::vector<float> values; // 3 * size^3

    std::size_t entryCount() const { return values.size() / 3; }
    std::size_t index(int ir, int ig, int ib) const
    {
        return (static_cast<std::size_t>(ir) * static_cast<std::size_t>(size) +
                static_cast<std::size_t>(ig)) *
                   static_cast<std::size_t>(size) +
               static_cast<std::size_t>(ib);
    }
    float* entry(int ir, int ig, int ib) { return values.data() + 3 * index(ir, ig, ib); }
    const float* entry(int ir, int ig, int ib) const
    {
        return values.data() + 3 * index(ir, ig, ib);
    }
};

// A lattice of `size` points per axis with every entry zero.
LatticeLut makeLattice(int size);
// The lattice that maps every colour to itself.
LatticeLut identityLattice(int size);

} // namespace zelk::lut
