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

    // Group q: pixels 2q and 2q + 1, which are lanes q and q + 4 of the planes.
    static void loadGroups(const float* src, F (&px)[4])
    {
        for (int q = 0; q < 4; ++q) {
            px[q] = _mm256_loadu_ps(src + 8 * q);
        }
    }
    static void storeGroup(float* dst, int q, F v) { _mm256_storeu_ps(dst + 8 * q, v); }

    // 4x4 transposes inside each 128-bit half: plane lane q is pixel 2q, lane
    // q + 4 is pixel 2q + 1.
    static void toPlanes(const F (&px)[4], F& r, F& g, F& b)
    {
        const F t0 = _mm256_unpacklo_ps(px[0], px[1]);
        const F t1 = _mm256_unpacklo_ps(px[2], px[3]);
        const F t2 = _mm256_unpackhi_ps(px[0], px[1]);
        const F t3 = _mm256_unpackhi_ps(px[2], px[3]);
        r = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        g = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        b = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
    }

    // Lanes q and q + 4 of a plane, each over its pixel's four floats.
    static F spread(F w, int q)
    {
        switch (q) {
        case 0:
            return _mm256_permute_ps(w, 0x00);
        case 1:
            return _mm256_permute_ps(w, 0x55);
        case 2:
            return _mm256_permute_ps(w, 0xaa);
        default:
            return _mm256_permute_ps(w, 0xff);
        }
    }

    static F withAlphaOf(F v, F px) { return _mm256_blend_ps(v, px, 0x88); }

    // The corner offsets leave the vector two at a time.
    struct Offsets {
        std::uint32_t lane[kLanes];
    };
    static Offsets offsets(I v)
    {
        const __m128i lo = _mm256_castsi256_si128(v);
        const __m128i hi = _mm256_extracti128_si256(v, 1);
        const std::uint64_t pairs[4] = {
            std::uint64_t(_mm_cvtsi128_si64(lo)), std::uint64_t(_mm_extract_epi64(lo, 1)),
            std::uint64_t(_mm_cvtsi128_si64(hi)), std::uint64_t(_mm_extract_epi64(hi, 1))};
        Offsets o;
        for (int i = 0; i < 4; ++i) {
            o.lane[2 * i] = std::uint32_t(pairs[i]);
            o.lane[2 * i + 1] = std::uint32_t(pairs[i] >> 32);
        }
        return o;
    }

    // The entries of group q's pixels, each one 16-byte load: r, g, b and a
    // spare float (the next entry's red, or the LUT's spare at its end).
    static F corners(const float* lut, const Offsets& o, int q)
    {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(lut + o.lane[q])),
                                    _mm_loadu_ps(lut + o.lane[q + 4]), 1);
    }
};

} // namespace

void lookRowAvx2(const LookRowParams& params, const float* src, float* dst, int pixelCount)
{
    lookRowVector<Avx2Lanes>(params, src, dst, pixelCount);
}

} // namespace zelk
