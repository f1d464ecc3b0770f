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
    if (lutSize > kMaxCubeSize)
        return LutUsability::TooLarge;
    const std::uint64_t n = static_cast<std::uint64_t>(lutSize);
    return count >= n * n * n ? LutUsability::Usable : LutUsability::Unfilled;
}

std::string whyLutIsNotApplied(std::uint64_t count, int lutSize)
{
    const std::string lattice = "its lattice of " + std::to_string(lutSize) + " points per axis";
    switch (lutUsability(count, lutSize)) {
    case LutUsability::TooSmall:
        return lattice + " is below the plug-in's minimum of " + std::to_string(kMinAppliedSize);
    case LutUsability::TooLarge:
        return lattice + " is above the plug-in's maximum of " + std::to_string(kMaxCubeSize);
    case LutUsability::Unfilled: {
        const std::uint64_t n = static_cast<std::uint64_t>(lutSize);
        return std::to_string(count) + " entries do not fill the lattice of " +
               std::to_string(lutSize) + " points per axis (" + std::to_string(n * n * n) +
               " entries)";
    }
    case LutUsability::Usable:
        break;
    }
    return "";
}

} // namespace zelk::lut
