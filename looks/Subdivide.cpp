#include "Subdivide.h"

namespace zelk::lut {

int subdividedSize(int size)
{
    while (size < kMinAppliedSize)
        size = 2 * size - 1;
    return size;
}

LatticeLut subdivideOnce(const LatticeLut& coarse)
{
    const int n = 2 * coarse.size - 1;
    LatticeLut fine = makeLattice(n);
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b) {
                const float* lo = coarse.entry(r / 2, g / 2, b / 2);
                const float* hi = coarse.entry((r + 1) / 2, (g + 1) / 2, (b + 1) / 2);
                float* e = fine.entry(r, g, b);
                // Summed in double, rounded once to float.
                for (int c = 0; c < 3; ++c)
                    e[c] = static_cast<float>(0.5 * (static_cast<double>(lo[c]) + hi[c]));
            }
    return fine;
}

LatticeLut subdivideForPlugin(const LatticeLut& lut)
{
    LatticeLut out = lut;
    while (out.size < kMinAppliedSize)
        out = subdivideOnce(out);
    return out;
}

} // namespace zelk::lut
