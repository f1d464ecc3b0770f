#include "LookTestData.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>

#include "LookRow.h"
#include "LutMath.h"

namespace looktest {

namespace {

Lut make_lut(int n, zelk_vec3<float> (*entry)(float r, float g, float b, int index))
{
    Lut lut;
    lut.reserve(static_cast<size_t>(n) * n * n);
    const float last = n > 1 ? static_cast<float>(n - 1) : 1.0f;
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b)
                lut.push_back(entry(r / last, g / last, b / last, static_cast<int>(lut.size())));
    return lut;
}

float pseudo_random(uint32_t seed)
{
    seed = seed * 1664525u + 1013904223u;
    seed ^= seed >> 16;
    seed *= 0x45d9f3bu;
    seed ^= seed >> 16;
    return static_cast<float>(seed % 20000u) / 10000.0f - 0.5f; // [-0.5, 1.5)
}

} // namespace

Lut redOnlyLut(int n)
{
    return make_lut(n, [](float r, float g, float b, int) {
        return zelk_vec3<float>{0.7f * r + 0.2f * g + 0.1f * b * b, 0.0f, 0.0f};
    });
}

Lut bizarreLut(int n)
{
    return make_lut(n, [](float, float, float, int index) {
        const uint32_t i = static_cast<uint32_t>(index) * 3u;
        return zelk_vec3<float>{pseudo_random(i), pseudo_random(i + 1), pseudo_random(i + 2)};
    });
}

Lut twistedLut(int n)
{
    return make_lut(n, [](float r, float g, float b, int) {
        return zelk_vec3<float>{0.8f * r + 0.15f * g * b, std::sqrt(g) * 0.9f + 0.1f * r,
                                b * b * 0.7f + 0.3f * (1.0f - r)};
    });
}

Pixels chart(int width, int height, int lutSize)
{
    Pixels px(static_cast<size_t>(width) * height * 4);
    const float last = static_cast<float>(lutSize > 1 ? lutSize - 1 : 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float* p = &px[(static_cast<size_t>(y) * width + x) * 4];
            const int k = (x * 7 + y * 13) % 97;
            p[0] = width > 1 ? static_cast<float>(x) / (width - 1) : 0.5f;
            p[1] = height > 1 ? static_cast<float>(y) / (height - 1) : 0.5f;
            p[2] = static_cast<float>(k) / 96.0f;
            if (x % 5 == 0) // exact lattice points
                p[0] = static_cast<float>(k % lutSize) / last;
            if (x % 7 == 0) // ties between fractions
                p[1] = p[2] = p[0];
            p[3] = static_cast<float>((x + 3 * y) % 11) / 10.0f;
        }
    return px;
}

Pixels wideRamp(int width, int height)
{
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity()};
    const size_t count = static_cast<size_t>(width) * height;
    Pixels px(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const float t = count > 1 ? static_cast<float>(i) / static_cast<float>(count - 1) : 0.5f;
        px[i * 4 + 0] = -1.0f + 3.0f * t;
        px[i * 4 + 1] = 2.0f - 3.0f * t;
        px[i * 4 + 2] = -1.0f + 3.0f * static_cast<float>((i * 37) % 101) / 100.0f;
        px[i * 4 + 3] = 1.0f - t;
        if (i % 17 == 0)
            px[i * 4 + (i / 17) % 3] = specials[(i / 51) % 3];
    }
    return px;
}

Pixels cpuLook(const Lut& lut, int n, float mix, const Pixels& src)
{
    Lut padded(lut);
    padded.push_back({0.0f, 0.0f, 0.0f}); // the spare entry the row functions may read
    const zelk::LookRowParams params{&padded[0].r, n, mix, 1.0f - mix};
    Pixels dst(src.size());
    zelk::lookRowScalar(params, src.data(), dst.data(), static_cast<int>(src.size() / 4));
    return dst;
}

Pixels fusedLook(const Lut& lut, int n, float mix, const Pixels& src)
{
    Pixels dst(src.size());
    const float oneMinusMix = 1.0f - mix;
    for (size_t i = 0; i < src.size(); i += 4) {
        const ZelkRgb m = zelk_tetrahedral(&lut[0].r, n, src[i], src[i + 1], src[i + 2]);
        dst[i] = zelk_blend_gpu(src[i], m.r, mix, oneMinusMix);
        dst[i + 1] = zelk_blend_gpu(src[i + 1], m.g, mix, oneMinusMix);
        dst[i + 2] = zelk_blend_gpu(src[i + 2], m.b, mix, oneMinusMix);
        dst[i + 3] = src[i + 3];
    }
    return dst;
}

long long ulpDistance(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) ? 0 : std::numeric_limits<long long>::max();
    if (a == b)
        return 0;
    int32_t ia = 0, ib = 0;
    std::memcpy(&ia, &a, sizeof a);
    std::memcpy(&ib, &b, sizeof b);
    // Map the sign-magnitude bit patterns onto one monotonic integer line.
    const long long la = ia < 0 ? -static_cast<long long>(ia & 0x7fffffff) : ia;
    const long long lb = ib < 0 ? -static_cast<long long>(ib & 0x7fffffff) : ib;
    return la > lb ? la - lb : lb - la;
}

std::string compareWithinUlp(const Pixels& expected, const Pixels& actual, long long maxUlp)
{
    if (expected.size() != actual.size())
        return "sizes differ: " + std::to_string(expected.size()) + " vs " +
               std::to_string(actual.size());
    std::ostringstream out;
    int reported = 0;
    for (size_t i = 0; i < expected.size() && reported < 5; ++i)
        if (ulpDistance(expected[i], actual[i]) > maxUlp) {
            out << "pixel " << i / 4 << " channel " << i % 4 << ": expected " << expected[i]
                << ", got " << actual[i] << "\n";
            ++reported;
        }
    return out.str();
}

std::string compareAsFusedBlend(const Lut& lut, int n, float mix, const Pixels& src,
                                const Pixels& cpu, const Pixels& actual)
{
    if (cpu.size() != actual.size() || src.size() != actual.size())
        return "sizes differ";
    std::ostringstream out;
    int reported = 0;
    for (size_t i = 0; i < src.size() && reported < 5; i += 4) {
        const ZelkRgb m = zelk_tetrahedral(&lut[0].r, n, src[i], src[i + 1], src[i + 2]);
        const float mapped[3] = {m.r, m.g, m.b};
        for (size_t c = 0; c < 4; ++c) {
            const float want = cpu[i + c], got = actual[i + c];
            bool close = ulpDistance(want, got) == 0;
            if (!close && c < 3 && std::isfinite(want) && std::isfinite(got)) {
                const float scale = std::max({std::fabs(src[i + c] * (1.0f - mix)),
                                              std::fabs(mapped[c] * mix), std::fabs(want)});
                close = std::fabs(got - want) <= std::nextafter(scale, INFINITY) - scale;
            }
            if (!close) {
                out << "pixel " << i / 4 << " channel " << c << ": CPU " << want << ", got "
                    << got << "\n";
                ++reported;
            }
        }
    }
    return out.str();
}

} // namespace looktest
