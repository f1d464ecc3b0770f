#include "LutRules.h"

#include <cmath>

namespace zelk::lut {

int lutSizeForCount(std::uint64_t count)
{
    const double oneThird = static_cast<double>(1.0f / 3.0f); // 0.3333333432674408
    const float root = static_cast<float>(std::pow(static_cast<double>(count), oneThird));
    return static_cast<int>(std::round(root));
}

LutUsability lutUsability(std::uint64_t count, int lutSize)
{
    if (lutSize < kMinAppliedSize)
        return LutUsability::TooSmall;
    // No 64-bit count fills a lattice above 2642245 points per axis, whose cube
    // would not fit in 64 bits either.
    const std::uint64_t n = static_cast<std::uint64_t>(lutSize);
    if (n > 2642245)
        return LutUsability::Unfilled;
    return count >= n * n * n ? LutUsability::Usable : LutUsability::Unfilled;
}

} // namespace zelk::lut
