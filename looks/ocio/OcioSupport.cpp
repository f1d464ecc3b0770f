#include "OcioSupport.h"

#include "Fidelity.h"
#include "LutError.h"

#include <cmath>

namespace zelk::lut::ocio {

OCIO::ConstCPUProcessorRcPtr exactCpu(const OCIO::ConstProcessorRcPtr& processor)
{
    return processor->getOptimizedCPUProcessor(OCIO::BIT_DEPTH_F32, OCIO::BIT_DEPTH_F32,
                                               OCIO::OPTIMIZATION_LOSSLESS);
}

void applyRgb(const OCIO::ConstCPUProcessorRcPtr& cpu, std::vector<float>& rgb)
{
    if (rgb.empty())
        return;
    OCIO::PackedImageDesc image(rgb.data(), static_cast<long>(rgb.size() / 3), 1, 3);
    cpu->apply(image);
}

LatticeLut sampleLattice(const OCIO::ConstCPUProcessorRcPtr& cpu, int size,
                         const std::string& source)
{
    LatticeLut lut = makeLattice(size);
    const double last = size - 1;
    for (int r = 0; r < size; ++r)
        for (int g = 0; g < size; ++g)
            for (int b = 0; b < size; ++b) {
                float* e = lut.entry(r, g, b);
                e[0] = static_cast<float>(r / last);
                e[1] = static_cast<float>(g / last);
                e[2] = static_cast<float>(b / last);
            }
    applyRgb(cpu, lut.values);
    for (std::size_t i = 0; i < lut.values.size(); ++i)
        if (!std::isfinite(lut.values[i])) {
            const std::size_t entry = i / 3;
            const std::size_t n = static_cast<std::size_t>(size);
            throw LutError(where(source) +
                           "OpenColorIO gives a non-finite value at lattice point (" +
                           std::to_string(entry / (n * n)) + ", " + std::to_string(entry / n % n) +
                           ", " + std::to_string(entry % n) + ") of " + std::to_string(size));
        }
    return lut;
}

double largestDifference(const OCIO::ConstCPUProcessorRcPtr& cpu, const LatticeLut& lut)
{
    return largestDifferenceOffLattice(
        [&](const double in[3], float out[3]) {
            out[0] = static_cast<float>(in[0]);
            out[1] = static_cast<float>(in[1]);
            out[2] = static_cast<float>(in[2]);
            cpu->applyRGB(out);
        },
        lut);
}

OCIO::ColorSpaceRcPtr curveColorSpace(TransferCurve curve)
{
    const LogCurve p = curveParameters(curve);
    // code = logSlope * log2(linSlope * scene + linOffset) + logOffset
    const double logSlope[3] = {1.0 / p.stops, 1.0 / p.stops, 1.0 / p.stops};
    const double logOffset = 0.5 - std::log2(kCurveMidGrey + p.offset) / p.stops;
    const double logOffsets[3] = {logOffset, logOffset, logOffset};
    const double linSlope[3] = {1.0, 1.0, 1.0};
    const double linOffset[3] = {p.offset, p.offset, p.offset};
    OCIO::LogAffineTransformRcPtr log = OCIO::LogAffineTransform::Create();
    log->setBase(2.0);
    log->setLogSideSlopeValue(logSlope);
    log->setLogSideOffsetValue(logOffsets);
    log->setLinSideSlopeValue(linSlope);
    log->setLinSideOffsetValue(linOffset);

    OCIO::ColorSpaceRcPtr space = OCIO::ColorSpace::Create();
    space->setName(curveName(curve));
    space->setFamily("ZELK");
    space->setEncoding("log");
    const std::string offset = "1/" + std::to_string(std::lround(1.0 / p.offset));
    const std::string description =
        std::string("The ") + curveName(curve) +
        " log encoding of scene-linear light: code = 0.5 + log2((scene + " + offset +
        ") / (0.18 + " + offset + ")) / " + std::to_string(std::lround(p.stops));
    space->setDescription(description.c_str());
    space->setTransform(log, OCIO::COLORSPACE_DIR_FROM_REFERENCE);
    return space;
}

std::string ocioFailure(const std::string& name, const std::exception& e)
{
    return where(name) + "OpenColorIO: " + e.what();
}

} // namespace zelk::lut::ocio
