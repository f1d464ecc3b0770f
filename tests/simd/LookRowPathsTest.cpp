// Every vector row function against the scalar reference, bit for bit. Paths the
// CPU lacks are skipped with the reason, so the output says which paths ran.

#include "LookRow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using zelk::LookRowFn;
using zelk::LookRowParams;
using zelk::LookRowPath;

std::uint32_t bitsOf(float v)
{
    std::uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Exactly N*N*N entries and the one spare float the row contract promises, in an
// allocation of its own: a corner read past the spare is a heap overflow that
// the sanitizer build reports. Beyond [0, 1] and not monotonic, so any corner or
// axis mix-up shows. With infinities in some entries, a corner whose weight is
// zero still decides between NaN and a number, so taking a wrong corner under a
// tie, or at the top of the lattice, cannot hide behind the zero weight.
std::vector<float> randomLut(int n, unsigned seed, bool infinities = false)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);
    std::vector<float> lut(3 * std::size_t(n) * n * n + 1);
    for (std::size_t i = 0; i < lut.size(); ++i) {
        lut[i] = value(rng);
        if (infinities && i + 1 < lut.size() && rng() % 10 == 0) {
            lut[i] = i % 2 ? std::numeric_limits<float>::infinity()
                           : -std::numeric_limits<float>::infinity();
        }
    }
    return lut;
}

// Scalar values that stress the look-up: non-finite, signed zero, denormals, the
// clamp edges, and for this N every lattice point with its neighbours one ulp
// either side (just below k/(N-1) the rounded product can reach k while the
// exact one does not, which gives a tiny negative fraction).
std::vector<float> specialValues(int n)
{
    using L = std::numeric_limits<float>;
    const float nan = L::quiet_NaN(), inf = L::infinity(), tiny = L::denorm_min();
    const float below1 = std::nextafter(1.0f, 0.0f), above1 = std::nextafter(1.0f, 2.0f);
    std::vector<float> v = {0.0f,     -0.0f, nan,    -nan,   inf,  -inf,  tiny, -tiny,   1e-40f,
                            L::min(), 1.0f,  below1, above1, 2.0f, -0.5f, 0.5f, L::max()};
    const float scale = float(n - 1);
    for (int k = 0; k < n; ++k) {
        const float p = float(k) / scale;
        v.insert(v.end(), {p, std::nextafter(p, 0.0f), std::nextafter(p, 2.0f),
                           (float(k) + 0.5f) / scale, (float(k) + 0.25f) / scale});
    }
    return v;
}

// Pixels from special values: every triple of a short list (all orderings and
// equalities of the three fractions), then the long list against itself in
// strides, with equal channels mixed in.
std::vector<float> specialImage(int n)
{
    const std::vector<float> all = specialValues(n);
    std::vector<float> shortList(all.begin(), all.begin() + 17);
    for (float f : {0.0f, 0.25f, 0.5f, 0.75f}) {
        shortList.push_back((1.0f + f) / float(n - 1));
        shortList.push_back((float(n / 2) + f) / float(n - 1));
    }
    std::vector<float> px;
    std::size_t alpha = 0;
    auto push = [&](float r, float g, float b) {
        px.insert(px.end(), {r, g, b, all[alpha++ % all.size()]});
    };
    for (float r : shortList) {
        for (float g : shortList) {
            for (float b : shortList) {
                push(r, g, b);
            }
        }
    }
    const std::size_t m = all.size();
    for (std::size_t i = 0; i < m; ++i) {
        push(all[i], all[(7 * i + 3) % m], all[(13 * i + 5) % m]);
        push(all[i], all[i], all[(i + 1) % m]);
        push(all[(i + 2) % m], all[i], all[i]);
        push(all[i], all[(i + 5) % m], all[i]);
        push(all[i], all[i], all[i]);
    }
    return px;
}

// A test chart: colour ramps from -0.25 to 1.25 on even rows, random colours on
// odd ones.
std::vector<float> chartImage(int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> px;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float t = -0.25f + 1.5f * float(x) / float(width - 1);
            if (y % 2 == 0) {
                px.insert(px.end(), {t, 1.0f - t, 0.5f * t, unit(rng)});
            } else {
                px.insert(px.end(), {unit(rng), unit(rng), unit(rng), unit(rng)});
            }
        }
    }
    return px;
}

// First pixel where two outputs differ, described; empty when all bits agree.
// nanMeetsNan: the LUT holds infinities, so a NaN made inside the look-up can
// meet a NaN from the source in one operation; which of the two comes out is
// set by the order of the instruction's operands, which the compiler picks for
// the scalar code too. Only then may two NaNs differ in sign or payload.
std::string firstDifference(const std::vector<float>& src, const std::vector<float>& want,
                            const std::vector<float>& got, bool nanMeetsNan = false)
{
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (nanMeetsNan && std::isnan(want[i]) && std::isnan(got[i])) {
            continue;
        }
        if (bitsOf(want[i]) != bitsOf(got[i])) {
            const std::size_t p = i / 4 * 4;
            char text[256];
            std::snprintf(text, sizeof text,
                          "pixel %zu channel %zu: src (%a, %a, %a, %a) scalar %08x, vector %08x",
                          i / 4, i % 4, src[p], src[p + 1], src[p + 2], src[p + 3], bitsOf(want[i]),
                          bitsOf(got[i]));
            return text;
        }
    }
    return std::string();
}

std::vector<float> runRow(LookRowFn fn, const LookRowParams& params, const std::vector<float>& src)
{
    std::vector<float> dst(src.size(), -1.0f);
    fn(params, src.data(), dst.data(), int(src.size() / 4));
    return dst;
}

class LookRowPathTest : public ::testing::TestWithParam<LookRowPath> {
protected:
    void SetUp() override
    {
        m_fn = zelk::lookRowFunction(GetParam());
        if (m_fn == nullptr) {
            GTEST_SKIP() << "path " << zelk::lookRowPathName(GetParam())
                         << " not run: this CPU (or this build) lacks it";
        }
        std::printf("[ path     ] %s\n", zelk::lookRowPathName(GetParam()));
    }

    LookRowFn m_fn = nullptr;
};

TEST_P(LookRowPathTest, MatchesScalarOnChartAndSpecialValues)
{
    const std::vector<float> chart = chartImage(1001, 12, 7);
    for (int n : {18, 20, 33, 65}) {
        const std::vector<float> special = specialImage(n);
        for (bool infinities : {false, true}) {
            const std::vector<float> lut = randomLut(n, 100u + unsigned(n), infinities);
            for (float mix : {0.75f, 0.0f, 1.0f, 0.3f, 1.5f, -0.25f}) {
                const LookRowParams params{lut.data(), n, mix, 1.0f - mix};
                for (const std::vector<float>* image : {&chart, &special}) {
                    const std::string diff =
                        firstDifference(*image, runRow(zelk::lookRowScalar, params, *image),
                                        runRow(m_fn, params, *image), infinities);
                    EXPECT_EQ(diff, "") << (image == &chart ? "chart" : "special values") << ", N "
                                        << n << " mix " << mix << " infinities " << infinities;
                }
            }
        }
    }
}

// Rows of every length up to past two blocks of the widest path, at unaligned
// starts, into a separate row and in place; nothing before or after the row
// may be touched.
TEST_P(LookRowPathTest, HandlesEveryRowLengthAndAlignment)
{
    const int n = 33;
    const std::vector<float> lut = randomLut(n, 5);
    const LookRowParams params{lut.data(), n, 0.75f, 1.0f - 0.75f};
    const std::vector<float> chart = chartImage(64, 4, 11);
    float guard;
    const std::uint32_t guardBits = 0x7fc0dead;
    std::memcpy(&guard, &guardBits, sizeof guard);
    for (int width = 0; width <= 37; ++width) {
        for (int shift = 0; shift < 4; ++shift) {
            // The source row in an allocation of exactly its size.
            const std::vector<float> src(chart.begin() + 4 * (shift + 64),
                                         chart.begin() + 4 * (shift + 64 + width));
            std::vector<float> want(src.size());
            zelk::lookRowScalar(params, src.data(), want.data(), width);

            std::vector<float> dst(4 * (width + shift + 2), guard);
            m_fn(params, src.data(), dst.data() + 4 * (shift + 1), width);
            const std::vector<float> got(dst.begin() + 4 * (shift + 1),
                                         dst.begin() + 4 * (shift + 1 + width));
            EXPECT_EQ(firstDifference(src, want, got), "")
                << "width " << width << " shift " << shift;
            for (std::size_t i = 0; i < dst.size(); ++i) {
                if (i < 4 * std::size_t(shift + 1) || i >= 4 * std::size_t(shift + 1 + width)) {
                    ASSERT_EQ(bitsOf(dst[i]), guardBits)
                        << "written outside the row, width " << width;
                }
            }

            std::vector<float> inPlace = src;
            m_fn(params, inPlace.data(), inPlace.data(), width);
            EXPECT_EQ(firstDifference(src, want, inPlace), "") << "in place, width " << width;
        }
    }
}

} // namespace

namespace {

std::string pathName(const ::testing::TestParamInfo<LookRowPath>& info)
{
    return zelk::lookRowPathName(info.param);
}

INSTANTIATE_TEST_SUITE_P(VectorPaths, LookRowPathTest,
                         ::testing::Values(LookRowPath::Avx2, LookRowPath::Avx512), pathName);

} // namespace
