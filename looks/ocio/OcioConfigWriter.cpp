#include "OcioConfigWriter.h"

#include "AtomicFile.h"
#include "CubeBin.h"
#include "CubeText.h"
#include "LutError.h"
#include "LutRules.h"
#include "OcioSupport.h"
#include "TextInput.h"

#include <filesystem>
#include <sstream>

namespace zelk::lut::ocio {

namespace fs = std::filesystem;

namespace {

constexpr TransferCurve kCurves[2] = {TransferCurve::Tevo4, TransferCurve::Tevo3};
// The largest lattice OpenColorIO reads from a .cube.
constexpr int kLargestOcioCube = 129;

const char* lookFolder(TransferCurve curve)
{
    return curve == TransferCurve::Tevo4 ? "tevo4" : "tevo3";
}

OCIO::ColorSpaceRcPtr sceneLinearSpace()
{
    OCIO::ColorSpaceRcPtr space = OCIO::ColorSpace::Create();
    space->setName(kSceneLinear);
    space->setFamily("ZELK");
    space->setEncoding("scene-linear");
    space->setDescription("Scene-linear light: the reference of this config");
    return space;
}

// code = clamp(display, 0, 1)^(1/2.4): what every look's result is.
OCIO::ColorSpaceRcPtr displaySpace()
{
    const double gamma[4] = {2.4, 2.4, 2.4, 1.0};
    OCIO::ExponentTransformRcPtr decode = OCIO::ExponentTransform::Create();
    decode->setValue(gamma);
    OCIO::ExponentTransformRcPtr encode = OCIO::ExponentTransform::Create();
    encode->setValue(gamma);
    encode->setDirection(OCIO::TRANSFORM_DIR_INVERSE);
    OCIO::RangeTransformRcPtr clamp = OCIO::RangeTransform::Create();
    clamp->setMinInValue(0.0);
    clamp->setMaxInValue(1.0);
    clamp->setMinOutValue(0.0);
    clamp->setMaxOutValue(1.0);
    OCIO::GroupTransformRcPtr fromReference = OCIO::GroupTransform::Create();
    fromReference->appendTransform(clamp);
    fromReference->appendTransform(encode);

    OCIO::ColorSpaceRcPtr space = OCIO::ColorSpace::Create();
    space->setName(kDisplaySpace);
    space->setFamily("ZELK");
    space->setEncoding("sdr-video");
    space->setDescription("Code values of a 2.4-gamma display: code = clamp(light, 0, 1)^(1/2.4); "
                          "every look's result is in this encoding");
    space->setTransform(fromReference, OCIO::COLORSPACE_DIR_FROM_REFERENCE);
    space->setTransform(decode, OCIO::COLORSPACE_DIR_TO_REFERENCE);
    return space;
}

OCIO::ColorSpaceRcPtr rawSpace()
{
    OCIO::ColorSpaceRcPtr space = OCIO::ColorSpace::Create();
    space->setName("raw");
    space->setFamily("ZELK");
    space->setIsData(true);
    space->setDescription("Data that no colour transform touches");
    return space;
}

// The parts of a config that do not depend on the looks.
OCIO::ConfigRcPtr baseConfig(const std::string& bundle)
{
    OCIO::ConfigRcPtr config = OCIO::Config::Create();
    config->setName("ZELK looks");
    config->setDescription(
        ("The looks of " + fs::path(bundle).filename().string() + ", written by zelk-lut").c_str());
    config->setSearchPath("looks");
    config->addColorSpace(sceneLinearSpace());
    for (TransferCurve curve : kCurves)
        config->addColorSpace(curveColorSpace(curve));
    config->addColorSpace(displaySpace());
    config->addColorSpace(rawSpace());
    for (const char* role : {"default", "reference", "scene_linear"})
        config->setRole(role, kSceneLinear);
    config->setRole("data", "raw");
    config->setRole("compositing_log", curveName(TransferCurve::Tevo4));
    config->setRole("color_timing", curveName(TransferCurve::Tevo4));
    config->setRole("color_picking", kDisplaySpace);
    // Without a look the display shows scene-linear light clamped; with one
    // of a curve's looks, the view of that curve passes the look's display
    // code through untouched.
    config->addDisplayView(kDisplay, kDisplay, kDisplaySpace, "");
    for (TransferCurve curve : kCurves)
        config->addDisplayView(kDisplay, (std::string(curveName(curve)) + " look").c_str(),
                               curveName(curve), "");
    return config;
}

// OpenColorIO reads look lists separated by ',' or ':', with '+' or '-' in front
// of a name to pick its direction.
bool usableAsLookName(const std::string& name)
{
    return name.find_first_of(",:|") == std::string::npos && name[0] != '+' && name[0] != '-';
}

struct LookFile {
    std::string look; // OpenColorIO look name
    TransferCurve curve;
    std::string relative; // below OUTDIR/looks
    std::string text;     // the .cube
};

} // namespace

std::string ocioLookName(const std::string& look, TransferCurve curve)
{
    return look + " (" + curveName(curve) + ")";
}

WrittenConfig writeOcioConfig(const BundleLooks& bundle, const std::string& outDir, bool replace)
{
    WrittenConfig written;
    written.path = outDir + "/config.ocio";
    std::vector<LookFile> files;
    for (const std::string& name : bundle.names()) {
        if (!usableAsLookName(name)) {
            written.warnings.push_back("look '" + printable(name) +
                                       "' left out: OpenColorIO look names cannot hold ',', ':' "
                                       "or '|' or start with '+' or '-'");
            continue;
        }
        for (TransferCurve curve : kCurves) {
            const std::string source = bundle.file(curve, name);
            LatticeLut lut;
            try {
                lut = parseCubeBin(readWholeFile(source), source);
            } catch (const LutError& e) {
                written.warnings.push_back(std::string("look '") + printable(name) + "' for " +
                                           curveName(curve) + " left out: " + e.what());
                continue;
            }
            if (lut.size > kLargestOcioCube || lut.size < kMinAppliedSize) {
                written.warnings.push_back(
                    std::string("look '") + printable(name) + "' for " + curveName(curve) +
                    " left out: its lattice of " + std::to_string(lut.size) +
                    (lut.size < kMinAppliedSize ? " is one the plug-in does not apply"
                                                : " is larger than OpenColorIO reads (129)"));
                continue;
            }
            files.push_back({ocioLookName(name, curve), curve,
                             std::string(lookFolder(curve)) + "/" + name + ".cube",
                             formatCubeText(lut, name)});
        }
    }

    // Check every target before writing the first.
    checkOutputPath(written.path, {}, replace);
    for (const LookFile& f : files)
        checkOutputPath(outDir + "/looks/" + f.relative, {}, replace);

    try {
        OCIO::ConfigRcPtr config = baseConfig(bundle.bundle());
        for (const LookFile& f : files) {
            OCIO::FileTransformRcPtr file = OCIO::FileTransform::Create();
            file->setSrc(f.relative.c_str());
            file->setInterpolation(OCIO::INTERP_TETRAHEDRAL);
            OCIO::LookRcPtr look = OCIO::Look::Create();
            look->setName(f.look.c_str());
            look->setProcessSpace(curveName(f.curve));
            look->setTransform(file);
            look->setDescription(("For input encoded with " + std::string(curveName(f.curve)) +
                                  "; the result is code for a 2.4-gamma display")
                                     .c_str());
            config->addLook(look);
        }
        for (TransferCurve curve : kCurves) {
            std::error_code ec;
            fs::create_directories(outDir + "/looks/" + lookFolder(curve), ec);
            if (ec)
                throw LutError(where(outDir) + "cannot create the directory: " + ec.message());
        }
        for (const LookFile& f : files)
            writeFileAtomic(outDir + "/looks/" + f.relative, f.text);
        // The config last, so that it never names a look file that is not there;
        // validation resolves every look file.
        config->setWorkingDir(fs::absolute(outDir).c_str());
        config->validate();
        std::ostringstream text;
        config->serialize(text);
        writeFileAtomic(written.path, text.str());
    } catch (const OCIO::Exception& e) {
        throw LutError(ocioFailure(written.path, e));
    }
    written.looks = static_cast<int>(files.size());
    return written;
}

} // namespace zelk::lut::ocio
