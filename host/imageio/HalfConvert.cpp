#include "HalfConvert.h"

#include <immintrin.h>

namespace zelk::detail {

namespace {

void convertOneByOne(const float* in, half* out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        out[i] = half(in[i]);
}

// F16C rounds as Imath does but makes a signalling NaN quiet, which Imath
// does not: eight values with a NaN among them go one by one.
__attribute__((target("avx,f16c"))) void convertEightAtATime(const float* in, half* out,
                                                             std::size_t count)
{
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 values = _mm256_loadu_ps(in + i);
        if (_mm256_movemask_ps(_mm256_cmp_ps(values, values, _CMP_UNORD_Q)) != 0) {
            convertOneByOne(in + i, out + i, 8);
            continue;
        }
        const __m128i halves = _mm256_cvtps_ph(values, _MM_FROUND_TO_NEAREST_INT);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), halves);
    }
    convertOneByOne(in + i, out + i, count - i);
}

bool hasF16c()
{
    static const bool has = __builtin_cpu_supports("avx") && __builtin_cpu_supports("f16c");
    return has;
}

} // namespace

void floatsToHalves(const float* in, half* out, std::size_t count)
{
    if (hasF16c())
        convertEightAtATime(in, out, count);
    else
        convertOneByOne(in, out, count);
}

} // namespace zelk::detail
