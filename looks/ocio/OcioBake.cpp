#include "OcioBake.h"

#include "Fidelity.h"
#include "LutError.h"
#include "OcioSupport.h"

namespace zelk::lut::ocio {

namespace {

OCIO::ConstTransformRcPtr transformFrom(const ConfigTransform& t, const char* space)
{
    if (!t.toSpace.empty()) {
        OCIO::ColorSpaceTransformRcPtr to = OCIO::ColorSpaceTransform::Create();
        to->setSrc(space);
        to->setDst(t.toSpace.c_str());
        return to;
    }
    if (!t.looks.empty()) {
        // A look grades in its own process space and comes back to the curve.
        OCIO::LookTransformRcPtr look = OCIO::LookTransform::Create();
        look->setSrc(space);
        look->setDst(space);
        look->setLooks(t.looks.c_str());
        return look;
    }
    OCIO::DisplayViewTransformRcPtr view = OCIO::DisplayViewTransform::Create();
    view->setSrc(space);
    view->setDisplay(t.display.c_str());
    view->setView(t.view.c_str());
    return view;
}

std::string what(const ConfigTransform& t, const char* space)
{
    const std::string from = std::string(space) + " to ";
    if (!t.toSpace.empty())
        return from + "colour space '" + t.toSpace + "'";
    if (!t.looks.empty())
        return from + space + " through the looks '" + t.looks + "'";
    return from + "display '" + t.display + "', view '" + t.view + "'";
}

} // namespace

BakedLook bakeConfigTransform(const ConfigTransform& t, TransferCurve curve, int size)
{
    BakedLook baked;
    try {
        OCIO::ConstConfigRcPtr config = OCIO::Config::CreateFromFile(t.config.c_str());
        const char* space = curveName(curve);
        if (!config->getColorSpace(space)) {
            OCIO::ConfigRcPtr extended = config->createEditableCopy();
            extended->addColorSpace(curveColorSpace(curve));
            config = extended;
            baked.report.push_back(std::string("the config has no colour space '") + space +
                                   "': ours is added, with the config's reference as its "
                                   "scene-linear light");
        }
        const OCIO::ConstCPUProcessorRcPtr cpu =
            exactCpu(config->getProcessor(transformFrom(t, space)));
        baked.lut = sampleLattice(cpu, size, t.config);
        baked.report.insert(baked.report.begin(), "OpenColorIO's transform from " + what(t, space) +
                                                      " baked onto a lattice of " +
                                                      std::to_string(size));
        baked.report.push_back(differenceLine(largestDifference(cpu, baked.lut),
                                              "OpenColorIO's own transform", false));
    } catch (const OCIO::Exception& e) {
        throw LutError(ocioFailure(t.config, e));
    }
    return baked;
}

} // namespace zelk::lut::ocio
