#include "LatticeLut.h"

namespace zelk::lut {

LatticeLut makeLattice(int size)
{
    LatticeLut lut;
    lut.size = size;
    const std::size_t n = static_cast<std::size_t>(size);
    lut.values.assign(3 * n * n * n, 0.0f);
    return lut;
}

LatticeLut identityLattice(int size)
{
    LatticeLut lut = makeLattice(size);
    const float last = static_cast<float>(size - 1);
    for (int r = 0; r < size; ++r)
        for (int g = 0; g < size; ++g)
            for (int b = 0; b < size; ++b) {
                float* e = lut.entry(r, g, b);
                e[0] = static_cast<float>(r) / last;
                e[1] = static_cast<float>(g) / last;
                e[2] = static_cast<float>(b) / last;
            }
    return lut;
}

} // namespace zelk::lut
