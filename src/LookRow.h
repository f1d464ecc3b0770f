#pragma once

// The per-pixel work of the CPU path as a function over one row, so that vector
// versions can replace the scalar one without touching the processor frame.

namespace zelk {

struct LookRowParams {
    // N*N*N entries of three floats, plus one spare float after the last entry:
    // vector row functions load each corner as four floats.
    const float* lut;
    int lutSize;
    float mix;
    float oneMinusMix; // 1 - mix, rounded once per band
};

// Maps `pixelCount` RGBA float pixels from src to dst (tetrahedral look-up, CPU
// blend, alpha copied). src and dst may be the same row. Every path gives the
// same bits as the scalar reference.
using LookRowFn = void (*)(const LookRowParams& params, const float* src, float* dst,
                           int pixelCount);

// The reference: exactly the scalar rule, pixel by pixel.
void lookRowScalar(const LookRowParams& params, const float* src, float* dst, int pixelCount);

// Eight pixels at a time with AVX2 and FMA; sixteen with AVX-512. Callable only
// where lookRowFunction() offers them.
void lookRowAvx2(const LookRowParams& params, const float* src, float* dst, int pixelCount);
void lookRowAvx512(const LookRowParams& params, const float* src, float* dst, int pixelCount);

enum class LookRowPath { Scalar, Avx2, Avx512 };
constexpr int kLookRowPathCount = 3;

// "scalar", "avx2", "avx512": the values ZELK_CPU_PATH accepts.
const char* lookRowPathName(LookRowPath path);

// The row function of a path, or null when this build or this CPU and OS lack it.
LookRowFn lookRowFunction(LookRowPath path);

// The row function for this machine, chosen once at load: the widest available
// path, or the one ZELK_CPU_PATH names. A named path that is unknown or not
// available here gives one warning on stderr and the widest available path.
LookRowFn lookRow();
LookRowPath lookRowPath();
const char* lookRowName();

} // namespace zelk
