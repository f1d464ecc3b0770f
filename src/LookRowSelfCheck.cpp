// A row function is only used after it has matched the scalar rule bit for bit
// on a small probe: the vector paths for CPUs we cannot run in our own CI (and
// any CPU or OS quirk) must never turn into wrong pictures.

#include "LookRowDispatch.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace zelk {

namespace {

constexpr int kProbeLutSize = 18;

// Values in [-0.5, 1.5), deterministic, every entry different. With
// infinities, about one entry in sixteen is infinite: a corner of weight zero
// then still shows (0 times infinity is NaN), so a wrong corner cannot hide.
std::vector<float> probe_lut(bool infinities)
{
    const int n = kProbeLutSize;
    std::vector<float> lut(3 * std::size_t(n) * n * n + 1, 0.0f);
    std::uint32_t state = 12345u;
    for (std::size_t i = 0; i + 1 < lut.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        lut[i] = float(state >> 8) * (2.0f / 16777216.0f) - 0.5f;
        if (infinities && (state >> 28) == 0) {
            lut[i] = std::numeric_limits<float>::infinity();
        }
    }
    return lut;
}

// Same bits; with an infinite LUT, two NaNs also count as the same: which of
// two NaNs meeting in one operation comes out is up to the operand order.
bool same_output(const std::vector<float>& want, const std::vector<float>& got, bool nanMeetsNan)
{
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (std::memcmp(&want[i], &got[i], sizeof(float)) != 0 &&
            !(nanMeetsNan && std::isnan(want[i]) && std::isnan(got[i]))) {
            return false;
        }
    }
    return true;
}

// Non-finite values, signed zero, denormals, the clamp edges, every lattice
// point with its neighbours one ulp either side, and cell interiors.
std::vector<float> probe_values()
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = {0.0f,
                            -0.0f,
                            std::numeric_limits<float>::quiet_NaN(),
                            inf,
                            -inf,
                            std::numeric_limits<float>::denorm_min(),
                            1.0f,
                            std::nextafter(1.0f, 0.0f),
                            std::nextafter(1.0f, 2.0f),
                            2.0f,
                            -0.5f};
    const float scale = float(kProbeLutSize - 1);
    for (int k = 0; k < kProbeLutSize; ++k) {
        const float p = float(k) / scale;
        v.push_back(p);
        v.push_back(std::nextafter(p, 0.0f));
        v.push_back(std::nextafter(p, 2.0f));
        v.push_back((float(k) + 0.5f) / scale);
        v.push_back((float(k) + 0.25f) / scale);
    }
    return v;
}

} // namespace

bool rowAgreesWithScalar(LookRowFn fn)
{
    const std::vector<float> values = probe_values();
    const std::size_t m = values.size();
    // Strided triples give every ordering of the fractions and equal ones; the
    // pixel count is odd, so the row ends in a partial vector block.
    std::vector<float> src;
    for (std::size_t i = 0; i < 4 * m + 1; ++i) {
        src.insert(src.end(), {values[i % m], values[(7 * i + 3) % m], values[(i / 3) % m],
                               values[(5 * i + 1) % m]});
    }
    const int pixels = int(src.size() / 4);
    for (bool infinities : {false, true}) {
        const std::vector<float> lut = probe_lut(infinities);
        const LookRowParams params{lut.data(), kProbeLutSize, 0.75f, 1.0f - 0.75f};
        std::vector<float> want(src.size()), got(src.size());
        lookRowScalar(params, src.data(), want.data(), pixels);
        fn(params, src.data(), got.data(), pixels);
        if (!same_output(want, got, infinities)) {
            return false;
        }
    }
    return true;
}

} // namespace zelk
