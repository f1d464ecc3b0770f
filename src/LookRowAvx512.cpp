// The row function with AVX-512F: sixteen pixels per block. This file alone is
// compiled with -mavx512f -mavx2 -mfma; it runs only where the dispatch found
// AVX-512F and the OS saves the full vector state.

#include "LookRowSimd.h"

#include <cstdint>
#include <immintrin.h>

// GCC 12's AVX-512 headers fill "don't care" operands with a self-initialised
// variable (_mm512_undefined_ps), which its own flow analysis then reports once
// inlined here. The operands are never read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace zelk {
namespace {

struct Avx512Lanes {
    using F = __m512;
    using I = __m512i;
    using M = __mmask16;
    static constexpr int kLanes = 16;

    static F set1(float v) { return _mm512_set1_ps(v); }
    static I set1i(int v) { return _mm512_set1_epi32(v); }
    static F add(F a, F b) { return _mm512_add_ps(a, b); }
    static F sub(F a, F b) { return _mm512_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm512_mul_ps(a, b); }
    static F fmadd(F a, F b, F c) { return _mm512_fmadd_ps(a, b, c); }
    static F fmsub(F a, F b, F c) { return _mm512_fmsub_ps(a, b, c); }
    // a < b ? a : b and a > b ? a : b, lane by lane (same rule as MINPS/MAXPS).
    static F min(F a, F b) { return _mm512_min_ps(a, b); }
    static F max(F a, F b) { return _mm512_max_ps(a, b); }
    static I cvtt(F a) { return _mm512_cvttps_epi32(a); }
    static F cvt(I a) { return _mm512_cvtepi32_ps(a); }

    static M gt(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ); }
    static M mAnd(M a, M b) { return static_cast<M>(a & b); }
    static M mOr(M a, M b) { return static_cast<M>(a | b); }
    static M mNot(M a) { return static_cast<M>(~a); }

    static M ltInt(I a, I b) { return _mm512_cmplt_epi32_mask(a, b); }
    static I addi(I a, I b) { return _mm512_add_epi32(a, b); }
    static I muli(I a, I b) { return _mm512_mullo_epi32(a, b); }
    static I select(M m, I v) { return _mm512_maskz_mov_epi32(m, v); }

    // Group q: pixels 4q to 4q + 3, which are lanes q, q + 4, q + 8, q + 12 of
    // the planes.
    static void loadGroups(const float* src, F (&px)[4])
    {
        for (int q = 0; q < 4; ++q) {
            px[q] = _mm512_loadu_ps(src + 16 * q);
        }
    }
    static void storeGroup(float* dst, int q, F v) { _mm512_storeu_ps(dst + 16 * q, v); }

    // 4x4 transposes inside each 128-bit quarter: plane lane 4h + q is pixel
    // 4q + h.
    static void toPlanes(const F (&px)[4], F& r, F& g, F& b)
    {
        const F t0 = _mm512_unpacklo_ps(px[0], px[1]);
        const F t1 = _mm512_unpacklo_ps(px[2], px[3]);
        const F t2 = _mm512_unpackhi_ps(px[0], px[1]);
        const F t3 = _mm512_unpackhi_ps(px[2], px[3]);
        r = _mm512_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        g = _mm512_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        b = _mm512_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
    }

    // Lanes q, q + 4, q + 8, q + 12 of a plane, each over its pixel's floats.
    static F spread(F w, int q)
    {
        switch (q) {
        case 0:
            return _mm512_permute_ps(w, 0x00);
        case 1:
            return _mm512_permute_ps(w, 0x55);
        case 2:
            return _mm512_permute_ps(w, 0xaa);
        default:
            return _mm512_permute_ps(w, 0xff);
        }
    }

    static F withAlphaOf(F v, F px) { return _mm512_mask_blend_ps(0x8888, v, px); }

    struct Offsets {
        alignas(64) std::int32_t lane[kLanes];
    };
    static Offsets offsets(I v)
    {
        Offsets o;
        _mm512_store_si512(o.lane, v);
        return o;
    }

    // The entries of group q's pixels, each one 16-byte load: r, g, b and a
    // spare float (the next entry's red, or the LUT's spare at its end).
    static F corners(const float* lut, const Offsets& o, int q)
    {
        F v = _mm512_castps128_ps512(_mm_loadu_ps(lut + o.lane[q]));
        v = _mm512_insertf32x4(v, _mm_loadu_ps(lut + o.lane[q + 4]), 1);
        v = _mm512_insertf32x4(v, _mm_loadu_ps(lut + o.lane[q + 8]), 2);
        return _mm512_insertf32x4(v, _mm_loadu_ps(lut + o.lane[q + 12]), 3);
    }
};

} // namespace

void lookRowAvx512(const LookRowParams& params, const float* src, float* dst, int pixelCount)
{
    lookRowVector<Avx512Lanes>(params, src, dst, pixelCount);
}

} // namespace zelk
