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
// blend, alpha copied). src and dst may be the same row.
using LookRowFn = void (*)(const LookRowParams& params, const float* src, float* dst,
                           int pixelCount);

// The reference: exactly the scalar rule, pixel by pixel.
void lookRowScalar(const LookRowParams& params, const float* src, float* dst, int pixelCount);

// The row function for this machine, chosen once.
LookRowFn lookRow();

} // namespace zelk
