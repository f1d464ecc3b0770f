// The row function with AVX-512F: sixteen pixels per block. This file alone is
// compiled with -mavx512f -mavx2 -mfma; it runs only where the dispatch found
// AVX-512F and the OS saves the full vector state.

#include "LookRowSimd.h"

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

    // 4x4 transpose inside each 128-bit quarter; its own inverse.
    static void transpose(F& a, F& b, F& c, F& d)
    {
        const F t0 = _mm512_unpacklo_ps(a, b);
        const F t1 = _mm512_unpacklo_ps(c, d);
        const F t2 = _mm512_unpackhi_ps(a, b);
        const F t3 = _mm512_unpackhi_ps(c, d);
        a = _mm512_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        b = _mm512_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        c = _mm512_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
        d = _mm512_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
    }

    // Lanes come out in the order 0 4 8 12 1 5 9 13 ...; storePixels undoes it.
    static void loadPixels(const float* src, F& r, F& g, F& b, F& a)
    {
        r = _mm512_loadu_ps(src);
        g = _mm512_loadu_ps(src + 16);
        b = _mm512_loadu_ps(src + 32);
        a = _mm512_loadu_ps(src + 48);
        transpose(r, g, b, a);
    }

    static void storePixels(float* dst, F r, F g, F b, F a)
    {
        transpose(r, g, b, a);
        _mm512_storeu_ps(dst, r);
        _mm512_storeu_ps(dst + 16, g);
        _mm512_storeu_ps(dst + 32, b);
        _mm512_storeu_ps(dst + 48, a);
    }

    // Lane i gets the entry at float offset lane i of `offsets`, read as one
    // 16-byte load (the fourth float is the next entry's red, or the spare at
    // the end).
    static void loadCorners(const float* lut, I offsetLanes, F& r, F& g, F& b)
    {
        alignas(64) int offsets[kLanes];
        _mm512_store_si512(offsets, offsetLanes);
        F c[4];
        for (int q = 0; q < 4; ++q) {
            F v = _mm512_castps128_ps512(_mm_loadu_ps(lut + offsets[q]));
            v = _mm512_insertf32x4(v, _mm_loadu_ps(lut + offsets[q + 4]), 1);
            v = _mm512_insertf32x4(v, _mm_loadu_ps(lut + offsets[q + 8]), 2);
            c[q] = _mm512_insertf32x4(v, _mm_loadu_ps(lut + offsets[q + 12]), 3);
        }
        const F t0 = _mm512_unpacklo_ps(c[0], c[1]);
        const F t1 = _mm512_unpacklo_ps(c[2], c[3]);
        const F t2 = _mm512_unpackhi_ps(c[0], c[1]);
        const F t3 = _mm512_unpackhi_ps(c[2], c[3]);
        r = _mm512_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        g = _mm512_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        b = _mm512_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
    }
};

} // namespace

void lookRowAvx512(const LookRowParams& params, const float* src, float* dst, int pixelCount)
{
    lookRowVector<Avx512Lanes>(params, src, dst, pixelCount);
}

} // namespace zelk
