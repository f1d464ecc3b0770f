// The row function with AVX2 and FMA: eight pixels per block. This file alone
// is compiled with -mavx2 -mfma; it runs only where the dispatch found both.

#include "LookRowSimd.h"

#include <cstdint>
#include <immintrin.h>

namespace zelk {
namespace {

struct Avx2Lanes {
    using F = __m256;
    using I = __m256i;
    using M = __m256; // all-ones lanes where true
    static constexpr int kLanes = 8;

    static F set1(float v) { return _mm256_set1_ps(v); }
    static I set1i(int v) { return _mm256_set1_epi32(v); }
    static F add(F a, F b) { return _mm256_add_ps(a, b); }
    static F sub(F a, F b) { return _mm256_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm256_mul_ps(a, b); }
    static F fmadd(F a, F b, F c) { return _mm256_fmadd_ps(a, b, c); }
    static F fmsub(F a, F b, F c) { return _mm256_fmsub_ps(a, b, c); }
    // a < b ? a : b and a > b ? a : b, lane by lane.
    static F min(F a, F b) { return _mm256_min_ps(a, b); }
    static F max(F a, F b) { return _mm256_max_ps(a, b); }
    static I cvtt(F a) { return _mm256_cvttps_epi32(a); }
    static F cvt(I a) { return _mm256_cvtepi32_ps(a); }

    static M gt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
    static M mAnd(M a, M b) { return _mm256_and_ps(a, b); }
    static M mOr(M a, M b) { return _mm256_or_ps(a, b); }
    static M mNot(M a) { return _mm256_xor_ps(a, _mm256_castsi256_ps(_mm256_set1_epi32(-1))); }

    static M ltInt(I a, I b) { return _mm256_castsi256_ps(_mm256_cmpgt_epi32(b, a)); }
    static I addi(I a, I b) { return _mm256_add_epi32(a, b); }
    static I muli(I a, I b) { return _mm256_mullo_epi32(a, b); }
    static I select(M m, I v) { return _mm256_and_si256(_mm256_castps_si256(m), v); }

    // 4x4 transpose inside each 128-bit half; its own inverse.
    static void transpose(F& a, F& b, F& c, F& d)
    {
        const F t0 = _mm256_unpacklo_ps(a, b);
        const F t1 = _mm256_unpacklo_ps(c, d);
        const F t2 = _mm256_unpackhi_ps(a, b);
        const F t3 = _mm256_unpackhi_ps(c, d);
        a = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        b = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        c = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
        d = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
    }

    // Lanes come out in the order 0 2 4 6 1 3 5 7; storePixels undoes it.
    static void loadPixels(const float* src, F& r, F& g, F& b, F& a)
    {
        r = _mm256_loadu_ps(src);
        g = _mm256_loadu_ps(src + 8);
        b = _mm256_loadu_ps(src + 16);
        a = _mm256_loadu_ps(src + 24);
        transpose(r, g, b, a);
    }

    static void storePixels(float* dst, F r, F g, F b, F a)
    {
        transpose(r, g, b, a);
        _mm256_storeu_ps(dst, r);
        _mm256_storeu_ps(dst + 8, g);
        _mm256_storeu_ps(dst + 16, b);
        _mm256_storeu_ps(dst + 24, a);
    }

    // Lane i gets the entry at float offset lane i of `offsets`, read as one
    // 16-byte load (the fourth float is the next entry's red, or the spare at
    // the end). Offsets leave the vector two at a time.
    static void loadCorners(const float* lut, I offsets, F& r, F& g, F& b)
    {
        const __m128i lo = _mm256_castsi256_si128(offsets);
        const __m128i hi = _mm256_extracti128_si256(offsets, 1);
        const unsigned long long o01 = std::uint64_t(_mm_cvtsi128_si64(lo));
        const unsigned long long o23 = std::uint64_t(_mm_extract_epi64(lo, 1));
        const unsigned long long o45 = std::uint64_t(_mm_cvtsi128_si64(hi));
        const unsigned long long o67 = std::uint64_t(_mm_extract_epi64(hi, 1));
        const std::uint32_t o[8] = {std::uint32_t(o01), std::uint32_t(o01 >> 32),
                                    std::uint32_t(o23), std::uint32_t(o23 >> 32),
                                    std::uint32_t(o45), std::uint32_t(o45 >> 32),
                                    std::uint32_t(o67), std::uint32_t(o67 >> 32)};
        F c[4];
        for (int q = 0; q < 4; ++q) {
            c[q] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(lut + o[q])),
                                        _mm_loadu_ps(lut + o[q + 4]), 1);
        }
        const F t0 = _mm256_unpacklo_ps(c[0], c[1]);
        const F t1 = _mm256_unpacklo_ps(c[2], c[3]);
        const F t2 = _mm256_unpackhi_ps(c[0], c[1]);
        const F t3 = _mm256_unpackhi_ps(c[2], c[3]);
        r = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        g = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        b = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
    }
};

} // namespace

void lookRowAvx2(const LookRowParams& params, const float* src, float* dst, int pixelCount)
{
    lookRowVector<Avx2Lanes>(params, src, dst, pixelCount);
}

} // namespace zelk
