#include "Fidelity.h"

#include "LutMath.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

namespace zelk::lut {

double largestDifferenceOffLattice(const ColourFn& reference, const LatticeLut& lut, int points)
{
    std::mt19937_64 random(0x5EED);
    // 53 random bits per coordinate: the same colours with every library.
    auto coordinate = [&] {
        return static_cast<float>(static_cast<double>(random() >> 11) * 0x1p-53);
    };
    double worst = 0.0;
    for (int i = 0; i < points; ++i) {
        const float x[3] = {coordinate(), coordinate(), coordinate()};
        const double in[3] = {x[0], x[1], x[2]};
        float want[3];
        reference(in, want);
        const ZelkRgb got = zelk_tetrahedral(lut.values.data(), lut.size, x[0], x[1], x[2]);
        const float gotRgb[3] = {got.r, got.g, got.b};
        for (int c = 0; c < 3; ++c)
            worst = std::fmax(worst, std::fabs(static_cast<double>(gotRgb[c]) - want[c]));
    }
    return worst;
}

std::string differenceLine(double difference, const std::string& source, bool sourceIsLattice)
{
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.2g", difference);
    return "largest difference from " + source + " at " + std::to_string(kFidelityPoints) +
           " points off " + (sourceIsLattice ? "both lattices" : "the lattice") + ": " + figure;
}

} // namespace zelk::lut
