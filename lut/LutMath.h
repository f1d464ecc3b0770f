/* Tetrahedral 3D-LUT interpolation, the intensity blends and the GPU pixel rule,
 * written once for the CPU path (C++), the CUDA kernel, the OpenCL kernel (this
 * text is pasted into the program at build time) and the tests.
 *
 * The arithmetic is fixed operation by operation: every value is a 32-bit float,
 * every operation is rounded to float, ZELK_FMA is a fused multiply-add with one
 * rounding and nothing else may be fused. Build C++ with -ffp-contract=off, CUDA
 * with --fmad=false and OpenCL with FP_CONTRACT OFF.
 *
 * LUT layout: N*N*N entries of three floats (r, g, b), entry (ir, ig, ib) at
 * index (ir*N + ig)*N + ib: blue fastest, red slowest. Lattice index k stands for
 * the input k / (N - 1).
 *
 * Inputs are clamped to [0, 1] for the look-up only (NaN counts as 0); the blend
 * uses the unclamped source value, so NaN and infinities pass through it.
 */
#ifndef ZELK_LUT_MATH_H
#define ZELK_LUT_MATH_H

#if defined(__OPENCL_VERSION__)
#define ZELK_FN
#define ZELK_LUT_PTR __global const float*
#define ZELK_FMA(a, b, c) fma((a), (b), (c))
#elif defined(__CUDACC__)
#define ZELK_FN __host__ __device__ inline
#define ZELK_LUT_PTR const float*
#define ZELK_FMA(a, b, c) fmaf((a), (b), (c))
#else
#include <cmath>
#define ZELK_FN inline
#define ZELK_LUT_PTR const float*
#define ZELK_FMA(a, b, c) std::fma((a), (b), (c))
#endif

typedef struct ZelkRgb {
    float r;
    float g;
    float b;
} ZelkRgb;

/* The four lattice entries of the tetrahedron that holds a colour, with their
 * weights: corner[0] the lower cell corner, corner[3] the upper one, corner[1]
 * one step along the axis of the largest fraction, corner[2] one step along the
 * two largest. */
typedef struct ZelkTetra {
    int corner[4];
    float weight[4];
} ZelkTetra;

/* Below 0 -> 0, above 1 -> 1, NaN -> 0 (every comparison with NaN is false). */
ZELK_FN float zelk_clamp01(float x)
{
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

ZELK_FN float zelk_minf(float a, float b)
{
    return b < a ? b : a;
}
ZELK_FN float zelk_maxf(float a, float b)
{
    return a < b ? b : a;
}
ZELK_FN int zelk_mini(int a, int b)
{
    return b < a ? b : a;
}

ZELK_FN int zelk_lut_index(int ir, int ig, int ib, int n, int last)
{
    return (zelk_mini(ir, last) * n + zelk_mini(ig, last)) * n + zelk_mini(ib, last);
}

ZELK_FN ZelkTetra zelk_tetra_setup(float r, float g, float b, int n)
{
    const float rc = zelk_clamp01(r);
    const float gc = zelk_clamp01(g);
    const float bc = zelk_clamp01(b);
    const int last = n - 1;
    const float scale = (float)last;

    /* The product is rounded before the truncation; when it rounds up to the next
     * integer the fraction below comes out as a tiny negative number, on purpose. */
    const int cir = (int)(rc * scale);
    const int cig = (int)(gc * scale);
    const int cib = (int)(bc * scale);
    const float fr = ZELK_FMA(rc, scale, -(float)cir);
    const float fg = ZELK_FMA(gc, scale, -(float)cig);
    const float fb = ZELK_FMA(bc, scale, -(float)cib);

    const int crg = fr > fg;
    const int cgb = fg > fb;
    const int crb = fr > fb;
    const int cbr = fb > fr;
    const int cbg = fb > fg;
    /* These offsets fix which corners are taken when fractions are equal. */
    const int i0 = crg && (cgb || crb);
    const int i1 = !crg && !cbg;
    const int i2 = 1 - (i0 || i1);
    const int i3 = crg || !(cbg || cbr);
    const int i4 = !crg || cgb;
    const int i5 = 1 - (i3 && i4);

    const float fmin = zelk_minf(fb, zelk_minf(fg, fr));
    const float fmax = zelk_maxf(fb, zelk_maxf(fg, fr));
    const float fmid = (((fg + fr) + fb) - fmax) - fmin;

    ZelkTetra t;
    t.weight[0] = 1.0f - fmax;
    t.weight[1] = fmax - fmid;
    t.weight[2] = fmid - fmin;
    t.weight[3] = fmin;
    t.corner[0] = zelk_lut_index(cir, cig, cib, n, last);
    t.corner[1] = zelk_lut_index(cir + i0, cig + i1, cib + i2, n, last);
    t.corner[2] = zelk_lut_index(cir + i3, cig + i4, cib + i5, n, last);
    t.corner[3] = zelk_lut_index(cir + 1, cig + 1, cib + 1, n, last);
    return t;
}

ZELK_FN float zelk_tetra_channel(const ZelkTetra* t, float l0, float l1, float l2, float l3)
{
    return ZELK_FMA(t->weight[0], l0,
                    ZELK_FMA(t->weight[1], l1, ZELK_FMA(t->weight[2], l2, t->weight[3] * l3)));
}

ZELK_FN ZelkRgb zelk_tetra_apply(ZELK_LUT_PTR lut, ZelkTetra t)
{
    ZELK_LUT_PTR p0 = lut + 3 * t.corner[0];
    ZELK_LUT_PTR p1 = lut + 3 * t.corner[1];
    ZELK_LUT_PTR p2 = lut + 3 * t.corner[2];
    ZELK_LUT_PTR p3 = lut + 3 * t.corner[3];
    ZelkRgb m;
    m.r = zelk_tetra_channel(&t, p0[0], p1[0], p2[0], p3[0]);
    m.g = zelk_tetra_channel(&t, p0[1], p1[1], p2[1], p3[1]);
    m.b = zelk_tetra_channel(&t, p0[2], p1[2], p2[2], p3[2]);
    return m;
}

ZELK_FN ZelkRgb zelk_tetrahedral(ZELK_LUT_PTR lut, int n, float r, float g, float b)
{
    return zelk_tetra_apply(lut, zelk_tetra_setup(r, g, b, n));
}

/* CPU blend: two separately rounded products, then a rounded sum. */
ZELK_FN float zelk_blend_cpu(float src, float mapped, float mix, float oneMinusMix)
{
    return src * oneMinusMix + mapped * mix;
}

/* GPU blend: the source product fused into the sum. */
ZELK_FN float zelk_blend_gpu(float src, float mapped, float mix, float oneMinusMix)
{
    return ZELK_FMA(oneMinusMix, src, mapped * mix);
}

typedef struct ZelkRgba {
    float r;
    float g;
    float b;
    float a;
} ZelkRgba;

/* One pixel of the CUDA and OpenCL kernels: the look-up, the GPU blend with the
 * unclamped source and the source alpha. */
ZELK_FN ZelkRgba zelk_look_pixel_gpu(ZELK_LUT_PTR lut, int n, float mix, float r, float g, float b,
                                     float a)
{
    const ZelkRgb m = zelk_tetrahedral(lut, n, r, g, b);
    const float oneMinusMix = 1.0f - mix;
    ZelkRgba d;
    d.r = zelk_blend_gpu(r, m.r, mix, oneMinusMix);
    d.g = zelk_blend_gpu(g, m.g, mix, oneMinusMix);
    d.b = zelk_blend_gpu(b, m.b, mix, oneMinusMix);
    d.a = a;
    return d;
}

#endif /* ZELK_LUT_MATH_H */
