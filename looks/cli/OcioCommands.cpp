// The commands that speak OpenColorIO: bake and ocio-config.

#include "BundleInstall.h"
#include "Commands.h"
#include "LoadLook.h"

#include "AtomicFile.h"
#include "Bake.h"
#include "CubeBin.h"
#include "LutError.h"
#include "ocio/OcioBake.h"
#include "ocio/OcioConfigWriter.h"

#include <cstdio>

namespace zelk::lut::cli {

namespace {

ocio::ConfigTransform configTransform(const Options& o)
{
    if (o.config.empty())
        throw UsageError("bake needs --config CONFIG.ocio", o.command);
    const int chosen =
        !o.toSpace.empty() + !o.looks.empty() + (!o.display.empty() || !o.view.empty());
    if (chosen != 1)
        throw UsageError("bake takes one transform: --to COLORSPACE, --look NAMES or "
                         "--display D --view V",
                         o.command);
    if (o.display.empty() != o.view.empty())
        throw UsageError("--display and --view go together", o.command);
    return {o.config, o.toSpace, o.looks, o.display, o.view};
}

TransferCurve curveOption(const std::string& curve)
{
    return curve == "tevo3" ? TransferCurve::Tevo3 : TransferCurve::Tevo4;
}

} // namespace

int commandBake(const Options& o)
{
    const ocio::ConfigTransform transform = configTransform(o);
    const int size = o.size ? o.size : kDefaultResampleSize;
    if (o.positional.size() == 1) {
        if (o.curve.empty())
            throw UsageError("bake into a file needs --curve tevo4 or --curve tevo3", o.command);
        const std::string& out = o.positional[0];
        checkOutputPath(out, {o.config}, o.force);
        const ocio::BakedLook baked =
            ocio::bakeConfigTransform(transform, curveOption(o.curve), size);
        writeFileAtomic(out, encodeCubeBin(baked.lut));
        if (!o.quiet)
            printReport(out + ": ", baked.report, "  ");
        return 0;
    }
    if (o.positional.size() != 2)
        throw UsageError("bake takes OUT.cube.bin, or BUNDLE NAME", o.command);
    if (!o.curve.empty())
        throw UsageError("into a bundle, bake makes both curves' files: no --curve", o.command);
    const std::string& name = o.positional[1];
    checkLookName(o, name);
    const BundleLooks bundle(o.positional[0]);
    CurveInput inputs[2];
    const TransferCurve curves[2] = {TransferCurve::Tevo4, TransferCurve::Tevo3};
    for (int i = 0; i < 2; ++i) {
        ocio::BakedLook baked = ocio::bakeConfigTransform(transform, curves[i], size);
        inputs[i] = {"", o.config, std::move(baked.lut), std::move(baked.report)};
    }
    installLook(o, bundle, name, inputs);
    return 0;
}

int commandOcioConfig(const Options& o)
{
    expectPositional(o, 2, "ocio-config takes a bundle and an output directory");
    const BundleLooks bundle(o.positional[0]);
    const ocio::WrittenConfig written = ocio::writeOcioConfig(bundle, o.positional[1], o.force);
    for (const std::string& warning : written.warnings)
        std::fprintf(stderr, "zelk-lut: warning: %s\n", warning.c_str());
    if (!o.quiet)
        std::printf("%s: %d looks (one per look and curve), the colour spaces scene-linear, "
                    "Tevo4/QXR4, Tevo3/QXR3 and %s, display %s\n",
                    written.path.c_str(), written.looks, ocio::kDisplaySpace, ocio::kDisplay);
    return 0;
}

} // namespace zelk::lut::cli
