#include "Derive.h"

#include "Fidelity.h"
#include "LutMath.h"

#include <cstdio>

namespace zelk::lut {

namespace {

// `from`'s code for the scene light that `to` encodes at `code`.
float translate(TransferCurve from, TransferCurve to, double code)
{
    return static_cast<float>(encodeCurve(from, decodeCurve(to, code)));
}

std::string codeText(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", v);
    return text;
}

// The codes of `to` whose scene light `from` cannot encode, one line per end.
std::vector<std::string> clampedCodes(TransferCurve from, TransferCurve to)
{
    std::vector<std::string> lines;
    const std::string fromName = curveName(from);
    const std::string toName = curveName(to);
    const double darkest = decodeCurve(from, 0.0);
    const double brightest = decodeCurve(from, 1.0);
    const double low = encodeCurve(to, darkest);
    const double high = encodeCurve(to, brightest);
    if (low > 0.0)
        lines.push_back(toName + " codes below " + codeText(low) + " (scene light below " +
                        codeText(darkest) + ") are darker than " + fromName +
                        " encodes: they take its look at code 0");
    if (high < 1.0)
        lines.push_back(toName + " codes above " + codeText(high) + " (scene light above " +
                        codeText(brightest) + ") are brighter than " + fromName +
                        " encodes: they take its look at code 1");
    return lines;
}

} // namespace

LatticeLut deriveLook(const LatticeLut& source, TransferCurve from, TransferCurve to, int size)
{
    // The translation acts on each channel alone: one table per axis.
    std::vector<float> axis(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        axis[static_cast<std::size_t>(i)] = translate(from, to, i / double(size - 1));
    LatticeLut lut = makeLattice(size);
    for (int r = 0; r < size; ++r)
        for (int g = 0; g < size; ++g)
            for (int b = 0; b < size; ++b) {
                const ZelkRgb m =
                    zelk_tetrahedral(source.values.data(), source.size, axis[std::size_t(r)],
                                     axis[std::size_t(g)], axis[std::size_t(b)]);
                float* e = lut.entry(r, g, b);
                e[0] = m.r;
                e[1] = m.g;
                e[2] = m.b;
            }
    return lut;
}

DerivedLook deriveLookWithReport(const LatticeLut& source, TransferCurve from, TransferCurve to,
                                 int size)
{
    DerivedLook derived;
    derived.lut = deriveLook(source, from, to, size);
    derived.report.push_back("derived at lattice " + std::to_string(size) + " from the " +
                             curveName(from) + " look (lattice " + std::to_string(source.size) +
                             "): each " + curveName(to) + " code looks up the " + curveName(from) +
                             " code of the same scene light");
    for (const std::string& line : clampedCodes(from, to))
        derived.report.push_back(line);
    const ColourFn reference = [&](const double in[3], float out[3]) {
        const ZelkRgb m =
            zelk_tetrahedral(source.values.data(), source.size, translate(from, to, in[0]),
                             translate(from, to, in[1]), translate(from, to, in[2]));
        out[0] = m.r;
        out[1] = m.g;
        out[2] = m.b;
    };
    derived.report.push_back(differenceLine(
        largestDifferenceOffLattice(reference, derived.lut),
        std::string("the ") + curveName(from) + " look through the curve change", true));
    return derived;
}

} // namespace zelk::lut
