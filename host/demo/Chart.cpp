#include "Chart.h"

#include <algorithm>
#include <cmath>

namespace zelkdemo {

namespace {

constexpr double kMidGrey = 0.18;

// Band edges, as fractions of the height from the top.
constexpr double kRampEnd = 0.11;
constexpr double kStepsEnd = 0.22;
constexpr double kPatchesEnd = 0.66;
constexpr double kSkinEnd = 0.80;

// Scene-linear reflectances of a common 24-patch colour chart, row by row.
const float kPatches[24][3] = {
    {0.171f, 0.084f, 0.058f}, {0.539f, 0.305f, 0.223f}, {0.122f, 0.195f, 0.337f},
    {0.095f, 0.150f, 0.056f}, {0.235f, 0.216f, 0.440f}, {0.136f, 0.509f, 0.402f},
    {0.672f, 0.209f, 0.025f}, {0.080f, 0.105f, 0.381f}, {0.533f, 0.102f, 0.125f},
    {0.112f, 0.045f, 0.150f}, {0.337f, 0.503f, 0.052f}, {0.745f, 0.366f, 0.027f},
    {0.040f, 0.047f, 0.305f}, {0.061f, 0.296f, 0.067f}, {0.429f, 0.037f, 0.045f},
    {0.799f, 0.571f, 0.013f}, {0.497f, 0.093f, 0.301f}, {0.002f, 0.235f, 0.356f},
    {0.900f, 0.900f, 0.900f}, {0.590f, 0.590f, 0.590f}, {0.360f, 0.360f, 0.360f},
    {0.190f, 0.190f, 0.190f}, {0.090f, 0.090f, 0.090f}, {0.031f, 0.031f, 0.031f},
};

// Skin tones from pale to deep.
const float kSkin[8][3] = {
    {0.72f, 0.52f, 0.42f}, {0.62f, 0.42f, 0.33f}, {0.54f, 0.35f, 0.26f},  {0.45f, 0.27f, 0.19f},
    {0.36f, 0.21f, 0.14f}, {0.27f, 0.15f, 0.10f}, {0.18f, 0.10f, 0.065f}, {0.11f, 0.06f, 0.04f},
};

constexpr float kBackground = 0.05f;

ChartSample grey(double value, bool isCode = false)
{
    return {{float(value), float(value), float(value)}, isCode};
}

ChartSample colour(const float rgb[3])
{
    return {{rgb[0], rgb[1], rgb[2]}, false};
}

// Position within a row of `count` patches with a thin gap around each; -1 in the gap.
int patchIndex(double u, int count, double gap)
{
    const double cell = u * count;
    const double within = cell - std::floor(cell);
    if (within < gap || within > 1.0 - gap)
        return -1;
    return std::min(count - 1, int(cell));
}

ChartSample hueSweep(double u, double t)
{
    // Three cosines a third of a turn apart: a smooth hue circle of constant mean,
    // pushed 10 % past full saturation so some components go negative.
    const double exposure = kMidGrey * std::exp2(2.0 - 6.0 * t);
    const double kTurn = 6.283185307179586;
    ChartSample s{};
    for (int c = 0; c < 3; ++c)
        s.rgb[c] = float(exposure * (1.0 + 1.1 * std::cos(kTurn * (u - c / 3.0))));
    return s;
}

} // namespace

ChartSample chartSceneAt(double u, double v)
{
    if (v < kRampEnd)
        return grey(-0.1 + 1.2 * u, true);
    if (v < kStepsEnd) {
        const int step = patchIndex(u, 17, 0.0);
        // Below black first, then -7 to +8 stops around mid grey.
        return grey(step == 0 ? -0.02 : kMidGrey * std::exp2(double(step - 8)));
    }
    if (v < kPatchesEnd) {
        const double rowPos = (v - kStepsEnd) / (kPatchesEnd - kStepsEnd);
        const int col = patchIndex(u, 6, 0.04), row = patchIndex(rowPos, 4, 0.06);
        if (col < 0 || row < 0)
            return grey(kBackground);
        return colour(kPatches[row * 6 + col]);
    }
    if (v < kSkinEnd) {
        const double rowPos = (v - kPatchesEnd) / (kSkinEnd - kPatchesEnd);
        const int col = patchIndex(u, 8, 0.04);
        if (col < 0 || patchIndex(rowPos, 1, 0.08) < 0)
            return grey(kBackground);
        return colour(kSkin[col]);
    }
    return hueSweep(u, (v - kSkinEnd) / (1.0 - kSkinEnd));
}

zelk::RgbaImage makeChart(zelk::lut::TransferCurve curve, int width, int height)
{
    zelk::RgbaImage image{width, height};
    for (int y = 0; y < height; ++y) {
        float* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            const ChartSample s = chartSceneAt((x + 0.5) / width, (y + 0.5) / height);
            for (int c = 0; c < 3; ++c)
                row[4 * x + c] =
                    s.isCode ? s.rgb[c] : float(zelk::lut::encodeCurve(curve, s.rgb[c]));
            row[4 * x + 3] = 1.0f;
        }
    }
    image.storedAs = zelk::SampleType::Float;
    return image;
}

} // namespace zelkdemo
