// A look for one transfer curve derived from the other's: exact at the derived
// lattice's points, through the curve formulas, and what cannot be carried over
// named.

#include "Derive.h"
#include "LutMath.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace zelk::lut;

TEST(Derive, ExactAtTheLatticePointsAndReportsTheRest)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    LatticeLut source = makeLattice(18);
    for (float& v : source.values)
        v = value(random);
    const int n = 40;
    for (const auto& [from, to] : {std::pair{TransferCurve::Tevo3, TransferCurve::Tevo4},
                                   {TransferCurve::Tevo4, TransferCurve::Tevo3}}) {
        // The look for `to` at a code is the source look at `from`'s code of the
        // same light (clamped, as the plug-in clamps, where `from` ends).
        const DerivedLook derived = deriveLookWithReport(source, from, to, n);
        for (int k = 0; k < 200; ++k) {
            const int idx[3] = {int(random() % n), int(random() % n), int(random() % n)};
            float code[3];
            for (int c = 0; c < 3; ++c)
                code[c] = float(encodeCurve(from, decodeCurve(to, idx[c] / double(n - 1))));
            const ZelkRgb want =
                zelk_tetrahedral(source.values.data(), 18, code[0], code[1], code[2]);
            const float* got = derived.lut.entry(idx[0], idx[1], idx[2]);
            EXPECT_NEAR(got[0], want.r, 1e-6) << curveName(to);
            EXPECT_NEAR(got[1], want.g, 1e-6) << curveName(to);
            EXPECT_NEAR(got[2], want.b, 1e-6) << curveName(to);
        }
        if (from != TransferCurve::Tevo3)
            continue;
        // Tevo4 reaches light Tevo3 cannot hold: the codes above it are named.
        const double edge = encodeCurve(TransferCurve::Tevo4, decodeCurve(from, 1.0));
        ASSERT_EQ(derived.report.size(), 3u);
        char text[32];
        std::snprintf(text, sizeof text, "%.4g", edge);
        EXPECT_EQ(derived.report[1].rfind(std::string("Tevo4/QXR4 codes above ") + text, 0), 0u)
            << derived.report[1];
        // Random tables change fast, so between lattice points the difference is real.
        EXPECT_NE(derived.report[2].find("largest difference"), std::string::npos);
    }
}
