#pragma once

// The vector row function, written once over a small set of lane operations and
// instantiated per instruction set (LookRowAvx2.cpp, LookRowAvx512.cpp, each
// compiled with its own -m flags).
//
// Every lane performs the operations of zelk_tetra_setup, zelk_tetra_apply and
// zelk_blend_cpu (LutMath.h) in the same order, so the results are the same bits.
// The pieces that need care:
//  - x86 MIN/MAX return the second operand unless the first compares strictly
//    less/greater, exactly like zelk_minf(a, b) = min(b, a) here, so NaN and
//    signed zeros fall out the same way;
//  - the clamp is max(x, 0) then min(., 1), which maps NaN and -0 to +0 like the
//    scalar x > 0 test;
//  - fma(x, s, -c) and fmsub(x, s, c) are the same IEEE operation;
//  - corner indices are formed with integer steps that stop at the last lattice
//    point, which equals capping each coordinate at N - 1.
// Where two different NaNs meet in one operation (only possible when the LUT
// itself holds NaN or infinities), the one that comes out depends on operand
// order, which the compiler chooses here and in the scalar code alike.
//
// Everything here has internal linkage: a copy compiled for a wider instruction
// set must never be what the linker picks for code that runs on every CPU.

#include "LookRow.h"

namespace zelk {
namespace {

template <class V> struct LookRowConstants {
    typename V::F zero, one, scale, mix, oneMinusMix;
    typename V::I n, nn, last;
    const float* lut;

    explicit LookRowConstants(const LookRowParams& p)
        : zero(V::set1(0.0f)), one(V::set1(1.0f)), scale(V::set1(float(p.lutSize - 1))),
          mix(V::set1(p.mix)), oneMinusMix(V::set1(p.oneMinusMix)), n(V::set1i(p.lutSize)),
          nn(V::set1i(p.lutSize * p.lutSize)), last(V::set1i(p.lutSize - 1)), lut(p.lut)
    {
    }
};

// One block of V::kLanes pixels in two steps: the look-up set-up (corners and
// weights), then the interpolation and blend. Rows run two blocks at a time,
// both set up before either finishes, so the corner loads of one overlap the
// arithmetic of the other. Blocks are read completely before any is written,
// so src and dst may be the same row.
template <class V> struct BlockLookup {
    typename V::F px[4]; // the pixels as loaded: four groups of whole RGBA pixels
    typename V::F w[4];
    typename V::Offsets o[4];
};

template <class V>
__attribute__((always_inline)) inline void setUpBlock(const LookRowConstants<V>& k,
                                                      const float* src, BlockLookup<V>& blk)
{
    using F = typename V::F;
    using I = typename V::I;
    using M = typename V::M;

    // Kept as loaded for the blend; as planes for the look-up arithmetic.
    F(&px)[4] = blk.px;
    V::loadGroups(src, px);
    F r, g, b;
    V::toPlanes(px, r, g, b);

    const F rc = V::min(V::max(r, k.zero), k.one);
    const F gc = V::min(V::max(g, k.zero), k.one);
    const F bc = V::min(V::max(b, k.zero), k.one);

    // Rounded product, then truncation; the fraction is one fused operation and
    // may come out a tiny negative number, as in the scalar rule.
    const I cir = V::cvtt(V::mul(rc, k.scale));
    const I cig = V::cvtt(V::mul(gc, k.scale));
    const I cib = V::cvtt(V::mul(bc, k.scale));
    const F fr = V::fmsub(rc, k.scale, V::cvt(cir));
    const F fg = V::fmsub(gc, k.scale, V::cvt(cig));
    const F fb = V::fmsub(bc, k.scale, V::cvt(cib));

    const M crg = V::gt(fr, fg);
    const M cgb = V::gt(fg, fb);
    const M crb = V::gt(fr, fb);
    const M cbr = V::gt(fb, fr);
    const M cbg = V::gt(fb, fg);
    const M i0 = V::mAnd(crg, V::mOr(cgb, crb));
    const M i1 = V::mNot(V::mOr(crg, cbg));
    const M i2 = V::mNot(V::mOr(i0, i1));
    const M i3 = V::mOr(crg, V::mNot(V::mOr(cbg, cbr)));
    const M i4 = V::mOr(V::mNot(crg), cgb);
    const M i5 = V::mNot(V::mAnd(i3, i4));

    const F fmin = V::min(V::min(fr, fg), fb);
    const F fmax = V::max(V::max(fr, fg), fb);
    const F fmid = V::sub(V::sub(V::add(V::add(fg, fr), fb), fmax), fmin);
    blk.w[0] = V::sub(k.one, fmax);
    blk.w[1] = V::sub(fmax, fmid);
    blk.w[2] = V::sub(fmid, fmin);
    blk.w[3] = fmin;

    // One step along an axis, or none where the lower corner already sits on the
    // last lattice point (the scalar rule caps the coordinate there).
    const I stepR = V::select(V::ltInt(cir, k.last), k.nn);
    const I stepG = V::select(V::ltInt(cig, k.last), k.n);
    const I stepB = V::select(V::ltInt(cib, k.last), V::set1i(1));
    const I c0 = V::addi(V::muli(V::addi(V::muli(cir, k.n), cig), k.n), cib);
    const I c1 = V::addi(V::addi(c0, V::select(i0, stepR)),
                         V::addi(V::select(i1, stepG), V::select(i2, stepB)));
    const I c2 = V::addi(V::addi(c0, V::select(i3, stepR)),
                         V::addi(V::select(i4, stepG), V::select(i5, stepB)));
    const I c3 = V::addi(V::addi(c0, stepR), V::addi(stepG, stepB));

    // Float offsets of the corners; each lane's entry is read as one 16-byte load.
    blk.o[0] = V::offsets(V::addi(c0, V::addi(c0, c0)));
    blk.o[1] = V::offsets(V::addi(c1, V::addi(c1, c1)));
    blk.o[2] = V::offsets(V::addi(c2, V::addi(c2, c2)));
    blk.o[3] = V::offsets(V::addi(c3, V::addi(c3, c3)));
}

// Per group of pixels, with the corners as loaded (r, g, b, spare) and each
// pixel's weight spread over its four floats:
// fma(w0, l0, fma(w1, l1, fma(w2, l2, w3 * l3))), innermost first; then the
// blend, two rounded products and a rounded sum; then the source alpha.
template <class V>
__attribute__((always_inline)) inline void finishBlock(const LookRowConstants<V>& k,
                                                       const BlockLookup<V>& blk, float* dst)
{
    using F = typename V::F;
    for (int q = 0; q < 4; ++q) {
        F m = V::mul(V::spread(blk.w[3], q), V::corners(k.lut, blk.o[3], q));
        m = V::fmadd(V::spread(blk.w[2], q), V::corners(k.lut, blk.o[2], q), m);
        m = V::fmadd(V::spread(blk.w[1], q), V::corners(k.lut, blk.o[1], q), m);
        m = V::fmadd(V::spread(blk.w[0], q), V::corners(k.lut, blk.o[0], q), m);
        const F out = V::add(V::mul(blk.px[q], k.oneMinusMix), V::mul(m, k.mix));
        V::storeGroup(dst, q, V::withAlphaOf(out, blk.px[q]));
    }
}

template <class V>
void lookRowVector(const LookRowParams& params, const float* src, float* dst, int pixelCount)
{
    const LookRowConstants<V> k(params);
    constexpr int lanes = V::kLanes;
    int x = 0;
    BlockLookup<V> a, b;
    for (; x + 2 * lanes <= pixelCount; x += 2 * lanes) {
        setUpBlock<V>(k, src + 4 * x, a);
        setUpBlock<V>(k, src + 4 * (x + lanes), b);
        finishBlock<V>(k, a, dst + 4 * x);
        finishBlock<V>(k, b, dst + 4 * (x + lanes));
    }
    for (; x + lanes <= pixelCount; x += lanes) {
        setUpBlock<V>(k, src + 4 * x, a);
        finishBlock<V>(k, a, dst + 4 * x);
    }
    // The tail goes through a zero-padded block: lanes are independent, so the
    // padding cannot change the real pixels, and nothing outside the row is read.
    const int rest = pixelCount - x;
    if (rest > 0) {
        alignas(64) float block[4 * lanes] = {};
        for (int i = 0; i < 4 * rest; ++i) {
            block[i] = src[4 * x + i];
        }
        setUpBlock<V>(k, block, a);
        finishBlock<V>(k, a, block);
        for (int i = 0; i < 4 * rest; ++i) {
            dst[4 * x + i] = block[i];
        }
    }
}

} // namespace
} // namespace zelk
