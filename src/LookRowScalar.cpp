#include "LookRow.h"

#include "LutMath.h"

namespace zelk {

void lookRowScalar(const LookRowParams& params, const float* src, float* dst, int pixelCount)
{
    for (int x = 0; x < pixelCount; ++x, src += 4, dst += 4) {
        const float r = src[0], g = src[1], b = src[2], a = src[3];
        const ZelkRgb m = zelk_tetrahedral(params.lut, params.lutSize, r, g, b);
        dst[0] = zelk_blend_cpu(r, m.r, params.mix, params.oneMinusMix);
        dst[1] = zelk_blend_cpu(g, m.g, params.mix, params.oneMinusMix);
        dst[2] = zelk_blend_cpu(b, m.b, params.mix, params.oneMinusMix);
        dst[3] = a;
    }
}

} // namespace zelk
