// The size and usability rules that the plug-in, its GPU paths and the look
// tools share.

#include "LutRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

using namespace zelk::lut;

TEST(LutRules, SizeOfEveryCountAndWhyItIsNotApplied)
{
    for (int n = 1; n <= 300; ++n)
        EXPECT_EQ(lutSizeForCount(std::uint64_t(n) * n * n), n) << n;

    const struct {
        std::uint64_t count;
        int size; // lutSizeForCount's
        LutUsability usability;
        const char* why;
    } cases[] = {
        {0, 0, LutUsability::TooSmall,
         "its lattice of 0 points per axis is below the plug-in's minimum of 18"},
        {4913, 17, LutUsability::TooSmall,
         "its lattice of 17 points per axis is below the plug-in's minimum of 18"},
        {5832, 18, LutUsability::Usable, ""},
        {35000, 33, LutUsability::Unfilled,
         "35000 entries do not fill the lattice of 33 points per axis (35937 entries)"},
        {36000, 33, LutUsability::Usable, ""}, // spare entries are never read
        {16777216, 256, LutUsability::Usable, ""},
        {16777215, 256, LutUsability::Unfilled,
         "16777215 entries do not fill the lattice of 256 points per axis (16777216 entries)"},
        {64000000, 400, LutUsability::TooLarge,
         "its lattice of 400 points per axis is above the plug-in's maximum of 256"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lutSizeForCount(c.count), c.size) << c.count;
        EXPECT_EQ(lutUsability(c.count, c.size), c.usability) << c.count;
        EXPECT_EQ(lutIsUsable(c.count, c.size), c.usability == LutUsability::Usable) << c.count;
        EXPECT_EQ(whyLutIsNotApplied(c.count, c.size), c.why) << c.count;
    }
    // Above 256 the count never matters, so lattices whose cubes would wrap
    // round in 64 bits are refused too.
    for (int size : {257, 2642246, INT_MAX})
        EXPECT_EQ(lutUsability(UINT64_MAX, size), LutUsability::TooLarge) << size;
}
