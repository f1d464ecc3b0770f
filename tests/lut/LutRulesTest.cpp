// The size and usability rules that the plug-in, its GPU paths and the look
// tools share.

#include "LutRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>

using namespace zelk::lut;

TEST(LutSize, WorkedValuesEveryPerfectCubeAndUsability)
{
    const struct {
        size_t count;
        int size;
        bool usable;
    } cases[] = {{0, 0, false},      {4913, 17, false},  {5832, 18, true}, {35937, 33, true},
                 {274625, 65, true}, {35000, 33, false}, {36000, 33, true}}; // spare entries unused
    for (const auto& c : cases) {
        EXPECT_EQ(lutSizeForCount(c.count), c.size) << c.count;
        EXPECT_EQ(lutIsUsable(c.count, c.size), c.usable) << c.count;
    }
    for (int n = 1; n <= 300; ++n) {
        EXPECT_EQ(lutSizeForCount(size_t(n) * n * n), n) << n;
    }
}

TEST(LutSize, UnusableLutsSayWhyAndHugeLatticesNeverWrapRound)
{
    EXPECT_EQ(lutUsability(0, 0), LutUsability::TooSmall);
    EXPECT_EQ(lutUsability(4913, 17), LutUsability::TooSmall);
    EXPECT_EQ(lutUsability(UINT64_MAX, 17), LutUsability::TooSmall);
    EXPECT_EQ(lutUsability(35000, 33), LutUsability::Unfilled);
    // 256 is the largest lattice applied; above it the count never matters, so
    // lattices whose cubes would wrap round in 64 bits are refused too.
    EXPECT_EQ(lutUsability(16777216, 256), LutUsability::Usable);
    EXPECT_EQ(lutUsability(16777215, 256), LutUsability::Unfilled);
    EXPECT_EQ(lutUsability(16974593, 257), LutUsability::TooLarge);
    EXPECT_EQ(lutUsability(UINT64_MAX, 2642246), LutUsability::TooLarge);
    EXPECT_EQ(lutUsability(UINT64_MAX, INT_MAX), LutUsability::TooLarge);

    EXPECT_EQ(whyLutIsNotApplied(5832, 18), "");
    EXPECT_EQ(whyLutIsNotApplied(4913, 17),
              "its lattice of 17 points per axis is below the plug-in's minimum of 18");
    EXPECT_EQ(whyLutIsNotApplied(64000000, 400),
              "its lattice of 400 points per axis is above the plug-in's maximum of 256");
    EXPECT_EQ(whyLutIsNotApplied(35000, 33),
              "35000 entries do not fill the lattice of 33 points per axis (35937 entries)");
}
