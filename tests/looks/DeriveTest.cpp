// A look for one transfer curve derived from the other's: against the curve
// formulas, and exact at the derived lattice's points.

#include "Derive.h"
#include "LutMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace zelk::lut;

namespace {

double clamp01(double x)
{
    return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x);
}

} // namespace

TEST(Derive, IdentityBecomesTheCurveTranslation)
{
    // The identity look for Tevo4 seen from Tevo3 maps each Tevo3 code to the
    // Tevo4 code of the same light, clamped where Tevo4 ends: the curve
    // formulas, with nothing of the lattice in between.
    const int n = 33;
    for (const auto& [from, to] : {std::pair{TransferCurve::Tevo4, TransferCurve::Tevo3},
                                   {TransferCurve::Tevo3, TransferCurve::Tevo4}}) {
        const LatticeLut derived = deriveLook(identityLattice(n), from, to, n);
        for (int i = 0; i < n; ++i) {
            const double code = i / double(n - 1);
            const double want = clamp01(encodeCurve(from, decodeCurve(to, code)));
            const float* e = derived.entry(i, n - 1 - i, i / 2);
            EXPECT_NEAR(e[0], want, 1e-6) << curveName(to) << " code " << code;
            EXPECT_NEAR(e[1], clamp01(encodeCurve(from, decodeCurve(to, 1.0 - code))), 1e-6);
        }
    }
}

TEST(Derive, ExactAtTheLatticePointsAndReportsTheRest)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    LatticeLut source = makeLattice(18);
    for (float& v : source.values)
        v = value(random);
    const int n = 40;
    const DerivedLook derived =
        deriveLookWithReport(source, TransferCurve::Tevo3, TransferCurve::Tevo4, n);
    for (int k = 0; k < 200; ++k) {
        const int idx[3] = {int(random() % n), int(random() % n), int(random() % n)};
        float code[3];
        for (int c = 0; c < 3; ++c)
            code[c] = float(encodeCurve(TransferCurve::Tevo3,
                                        decodeCurve(TransferCurve::Tevo4, idx[c] / double(n - 1))));
        const ZelkRgb want = zelk_tetrahedral(source.values.data(), 18, code[0], code[1], code[2]);
        const float* got = derived.lut.entry(idx[0], idx[1], idx[2]);
        EXPECT_NEAR(got[0], want.r, 1e-6);
        EXPECT_NEAR(got[1], want.g, 1e-6);
        EXPECT_NEAR(got[2], want.b, 1e-6);
    }
    // Tevo4 reaches light Tevo3 cannot hold: the codes above it are named.
    const double edge = encodeCurve(TransferCurve::Tevo4, decodeCurve(TransferCurve::Tevo3, 1.0));
    ASSERT_EQ(derived.report.size(), 3u);
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", edge);
    EXPECT_EQ(derived.report[1].rfind(std::string("Tevo4/QXR4 codes above ") + text, 0), 0u)
        << derived.report[1];
    // Random tables change fast, so between lattice points the difference is real.
    EXPECT_NE(derived.report[2].find("largest difference"), std::string::npos);
}
