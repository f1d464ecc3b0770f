#include "Chart.h"

#include <algorithm>
#include <cmath>

namespace zelkdemo {

namespace {

constexpr double kMidGrey = 0.18;

// Band edges, as fractions of the height from the top.
constexpr double kRampEnd = 0.09;
constexpr double kStepsEnd = 0.18;
constexpr double kPatchesEnd = 0.58;
constexpr double kSkinEnd = 0.70;

// The grey ramp spans this many stops; it ends 7.5 stops over mid grey, just
// inside the Tevo3 curve's top.
constexpr double kRampStops = 16.5;
constexpr double kRampTopStops = 7.5;

// Exposure steps: below black, -7 to +8 stops, and past the Tevo4 curve's top.
constexpr int kSteps = 18;
constexpr double kBelowBlack = -0.02;
constexpr double kBeyondRange = 200.0;

// Hue sweep rows: stops from mid grey of each row's mean level, and how far
// each colour reaches towards the gamut edge (1 would touch it: a channel at 0).
constexpr double kSweepStops[kSweepRows] = {1.0, -0.5, -2.0};
constexpr double kSweepSaturation = 0.95;

constexpr float kBackground = 0.05f;

SceneRgb grey(double value)
{
    return {value, value, value};
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

// Black at u = 0, rising evenly in stops to the ramp's top at u = 1.
double greyRamp(double u)
{
    const double bottom = kRampTopStops - kRampStops;
    return kMidGrey * (std::exp2(bottom + kRampStops * u) - std::exp2(bottom));
}

double exposureStep(int step)
{
    if (step == 0)
        return kBelowBlack;
    if (step == kSteps - 1)
        return kBeyondRange;
    return kMidGrey * std::exp2(double(step - 8));
}

SceneRgb chartSceneAt(double u, double v)
{
    if (v < kRampEnd)
        return grey(greyRamp(u));
    if (v < kStepsEnd)
        return grey(exposureStep(patchIndex(u, kSteps, 0.0)));
    if (v < kPatchesEnd) {
        const double rowPos = (v - kStepsEnd) / (kPatchesEnd - kStepsEnd);
        const int col = patchIndex(u, 6, 0.04), row = patchIndex(rowPos, 4, 0.06);
        if (col < 0 || row < 0)
            return grey(kBackground);
        return colourPatches()[std::size_t(row * 6 + col)];
    }
    if (v < kSkinEnd) {
        const double rowPos = (v - kPatchesEnd) / (kSkinEnd - kPatchesEnd);
        const int count = int(skinRamp().size());
        const int col = patchIndex(u, count, 0.04);
        if (col < 0 || patchIndex(rowPos, 1, 0.08) < 0)
            return grey(kBackground);
        return skinRamp()[std::size_t(col)];
    }
    const double rowPos = (v - kSkinEnd) / (1.0 - kSkinEnd);
    const int row = patchIndex(rowPos, kSweepRows, 0.05);
    return row < 0 ? grey(kBackground) : hueSweep(row, u);
}

} // namespace

const std::vector<SceneRgb>& colourPatches()
{
    // Scene-linear reflectances of a common 24-patch colour chart.
    static const std::vector<SceneRgb> patches = {
        {0.171, 0.084, 0.058}, {0.539, 0.305, 0.223}, {0.122, 0.195, 0.337}, {0.095, 0.150, 0.056},
        {0.235, 0.216, 0.440}, {0.136, 0.509, 0.402}, {0.672, 0.209, 0.025}, {0.080, 0.105, 0.381},
        {0.533, 0.102, 0.125}, {0.112, 0.045, 0.150}, {0.337, 0.503, 0.052}, {0.745, 0.366, 0.027},
        {0.040, 0.047, 0.305}, {0.061, 0.296, 0.067}, {0.429, 0.037, 0.045}, {0.799, 0.571, 0.013},
        {0.497, 0.093, 0.301}, {0.002, 0.235, 0.356}, {0.900, 0.900, 0.900}, {0.590, 0.590, 0.590},
        {0.360, 0.360, 0.360}, {0.190, 0.190, 0.190}, {0.090, 0.090, 0.090}, {0.031, 0.031, 0.031},
    };
    return patches;
}

const std::vector<SceneRgb>& skinRamp()
{
    static const std::vector<SceneRgb> skin = {
        {0.72, 0.52, 0.42}, {0.62, 0.42, 0.33}, {0.54, 0.35, 0.26},  {0.45, 0.27, 0.19},
        {0.36, 0.21, 0.14}, {0.27, 0.15, 0.10}, {0.18, 0.10, 0.065}, {0.11, 0.06, 0.04},
    };
    return skin;
}

SceneRgb hueSweep(int row, double hue)
{
    // Three cosines a third of a turn apart: a smooth hue circle around a
    // constant mean, every channel above zero.
    const double mean = kMidGrey * std::exp2(kSweepStops[row]);
    const double turn = 6.283185307179586;
    double c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = mean * (1.0 + kSweepSaturation * std::cos(turn * (hue - i / 3.0)));
    return {c[0], c[1], c[2]};
}

ChartBand skinAndSweepBand()
{
    return {kPatchesEnd, 1.0};
}

zelk::RgbaImage makeChart(zelk::lut::TransferCurve curve, int width, int height)
{
    zelk::RgbaImage image{width, height};
    for (int y = 0; y < height; ++y) {
        float* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            const SceneRgb s = chartSceneAt((x + 0.5) / width, (y + 0.5) / height);
            row[4 * x + 0] = float(zelk::lut::encodeCurve(curve, s.r));
            row[4 * x + 1] = float(zelk::lut::encodeCurve(curve, s.g));
            row[4 * x + 2] = float(zelk::lut::encodeCurve(curve, s.b));
            row[4 * x + 3] = 1.0f;
        }
    }
    image.storedAs = zelk::SampleType::Float;
    return image;
}

} // namespace zelkdemo
