#include "RenderLook.h"

#include <exception>
#include <memory>

#include "LookLibrary.h"
#include "LutRules.h"
#include "Process3DLUT.h"
#include "ofxsLog.h"

RenderLook::RenderLook(OfxImageEffectHandle handle, const std::string& lookDir,
                       const std::string& lookDirTevo4)
    : OFX::ImageEffect(handle), m_Messages(handle)
{
    OFX::Log::print("RenderLook::RenderLook");
    m_LookDir = lookDir;
    m_LookDirTevo4 = lookDirTevo4;
    m_DstClip = fetchClip(kOfxImageEffectOutputClipName);
    m_SrcClip = fetchClip(kOfxImageEffectSimpleSourceClipName);
    m_PrintStock = fetchChoiceParam("printStock");
    m_Color = fetchDoubleParam("color");
    m_ColorSpaceTransform = fetchChoiceParam("colorSpaceTransform");
    m_CurrLookIndex = -1;
    m_CurrCurveIndex = -1;
    m_LutSize = 0;
    setEnabledness();
}

RenderLook::~RenderLook() = default;

bool RenderLook::isIdentity(const OFX::IsIdentityArguments& args, OFX::Clip*& identityClip,
                            double& identityTime)
{
    const double color = m_Color->getValueAtTime(args.time);
    if (color == 0.0) {
        identityClip = m_SrcClip;
        identityTime = args.time;
        return true;
    }
    return false;
}

void RenderLook::changedParam(const OFX::InstanceChangedArgs& /*args*/,
                              const std::string& /*paramName*/)
{
    setEnabledness();
}

void RenderLook::changedClip(const OFX::InstanceChangedArgs& /*args*/, const std::string& clipName)
{
    if (clipName == kOfxImageEffectSimpleSourceClipName) {
        setEnabledness();
    }
}

void RenderLook::setEnabledness()
{
    m_Color->setEnabled(true);
    m_ColorSpaceTransform->setEnabled(true);
}

void RenderLook::render(const OFX::RenderArguments& args)
{
    Outcome outcome;
    try {
        if (m_DstClip->getPixelDepth() != OFX::eBitDepthFloat) {
            outcome = {kOfxStatErrUnsupported, "the Output clip is not 32-bit float"};
        } else if (m_DstClip->getPixelComponents() != OFX::ePixelComponentRGBA) {
            outcome = {kOfxStatErrUnsupported, "the Output clip is not RGBA"};
        } else {
            outcome = setupAndProcess(args);
        }
    } catch (const std::exception& e) {
        m_Messages.showFailure(
            failureText(std::string("the render stopped: ") + e.what(), args.time));
        throw;
    }
    if (outcome.aborted) {
        return;
    }
    if (outcome.reason.empty()) {
        m_Messages.clearFailure();
        return;
    }
    m_Messages.showFailure(failureText(outcome.reason, args.time));
    OFX::throwSuiteStatusException(outcome.status);
}

const std::string& RenderLook::lookDirFor(int curveIndex) const
{
    return curveIndex == 0 ? m_LookDirTevo4 : m_LookDir;
}

void RenderLook::updateLookCache(int lookIndex, int curveIndex)
{
    if (curveIndex != m_CurrCurveIndex) {
        m_LookCached = false;
        m_CurrCurveIndex = curveIndex;
    }
    if (m_LookCached && lookIndex == m_CurrLookIndex) {
        return;
    }
    const std::string& directory = lookDirFor(m_CurrCurveIndex);
    const int looks = m_PrintStock->getNOptions();
    if (lookIndex < 0 || lookIndex >= looks) {
        // Not a look at all: nothing is applied, not even the look before it.
        m_Lut.clear();
        m_LoadProblem = looks == 0 ? "there are no looks to choose from (" + directory +
                                         " held no look file when the effect was described)"
                                   : "the look choice " + std::to_string(lookIndex) +
                                         " is not one of the " + std::to_string(looks) + " looks";
    } else {
        std::string fileName;
        m_PrintStock->getOption(lookIndex, fileName);
        fileName += zelk::kLookFileSuffix;
        OFX::Log::print("%s", fileName.c_str());
        OFX::Log::print("lookname = %s", fileName.c_str());

        const zelk::lut::CubeBinLoad load = read_triplets(directory + "/" + fileName, m_Lut);
        // An unreadable file leaves the LUT as it was (the earlier look stays
        // applied); one too large to apply replaces it with nothing.
        if (load.outcome == zelk::lut::CubeBinLoad::TooLarge) {
            m_Lut.clear();
        }
        m_LoadProblem = load.loaded() ? "" : "the look file " + load.problem;
    }
    m_CurrLookIndex = lookIndex;
    m_LookCached = true;
    m_LutSize = zelk::lut::lutSizeForCount(m_Lut.size());
}

std::string RenderLook::lookProblem() const
{
    if (zelk::lut::lutIsUsable(m_Lut.size(), m_LutSize)) {
        return "";
    }
    if (!m_LoadProblem.empty()) {
        return m_LoadProblem;
    }
    return "the look file holds " + std::to_string(m_Lut.size()) + " entries; " +
           zelk::lut::whyLutIsNotApplied(m_Lut.size(), m_LutSize);
}

std::string RenderLook::failureText(const std::string& reason, double time)
{
    std::string look = "?", curve = "?", file = "?";
    // The names are only what the message shows: a failure to read them must not
    // hide the reason.
    try {
        int curveIndex = 0;
        m_ColorSpaceTransform->getValueAtTime(time, curveIndex);
        if (curveIndex >= 0 && curveIndex < m_ColorSpaceTransform->getNOptions()) {
            m_ColorSpaceTransform->getOption(curveIndex, curve);
        }
        int lookIndex = 0;
        m_PrintStock->getValueAtTime(time, lookIndex);
        file = lookDirFor(curveIndex);
        if (lookIndex >= 0 && lookIndex < m_PrintStock->getNOptions()) {
            m_PrintStock->getOption(lookIndex, look);
            file += "/" + look + zelk::kLookFileSuffix;
        } else {
            look = "choice " + std::to_string(lookIndex);
        }
    } catch (...) {
    }
    return "ZELK Look Library rendered nothing: " + reason + ". Look: " + look +
           "; I/O Space: " + curve + "; look file: " + file;
}

RenderLook::Outcome RenderLook::setupAndProcess(const OFX::RenderArguments& args)
{
    OFX::Log::print("RenderLook::setupAndProcess");

    // Declared Output first, Source second: both go back to the host on every
    // path, the Source image first.
    std::unique_ptr<OFX::Image> dst(m_DstClip->fetchImage(args.time));
    if (!dst) {
        OFX::Log::print("m_DstClip INVALID");
        return {kOfxStatFailed, "the host gave no Output image"};
    }
    const OFX::BitDepthEnum dstBitDepth = dst->getPixelDepth();
    const OFX::PixelComponentEnum dstComponents = dst->getPixelComponents();
    OFX::Log::print("dstBitDepth = %d", static_cast<int>(dstBitDepth));
    OFX::Log::print("dstComponents = %d", static_cast<int>(dstComponents));

    std::unique_ptr<OFX::Image> src(m_SrcClip->fetchImage(args.time));
    if (!src) {
        OFX::Log::print("m_SrcClip INVALID");
        return {kOfxStatFailed, "the host gave no Source image"};
    }
    const OFX::BitDepthEnum srcBitDepth = src->getPixelDepth();
    const OFX::PixelComponentEnum srcComponents = src->getPixelComponents();
    OFX::Log::print("srcBitDepth = %d", static_cast<int>(srcBitDepth));
    OFX::Log::print("srcComponents = %d", static_cast<int>(srcComponents));

    if (srcBitDepth != dstBitDepth || srcComponents != dstComponents) {
        OFX::Log::print("(srcBitDepth != dstBitDepth) || (srcComponents != dstComponents) !!!)");
        return {kOfxStatErrValue, "the Source image's depth or components differ from the "
                                  "Output image's"};
    }

    const OfxRectI& srcBounds = src->getBounds();
    OFX::Log::print("zeroRect = %d/%d %d/%d", 0, 0, srcBounds.x2 - srcBounds.x1,
                    srcBounds.y2 - srcBounds.y1);
    OFX::Log::print("frame = %d", static_cast<int>(args.time));

    int lookIndex = 0;
    m_PrintStock->getValueAtTime(args.time, lookIndex);
    OFX::Log::print("curr index = %d", lookIndex);
    int curveIndex = 0;
    m_ColorSpaceTransform->getValueAtTime(args.time, curveIndex);

    updateLookCache(lookIndex, curveIndex);
    OFX::Log::print("Color");

    Outcome outcome;
    if (abort()) {
        outcome.aborted = true;
    } else if (std::string problem = lookProblem(); !problem.empty()) {
        outcome = {kOfxStatFailed, problem};
    } else {
        Process3DLUT processor(*this, m_Lut, m_LutSize);
        const float mix = static_cast<float>(m_Color->getValueAtTime(args.time));
        processor.setDstImg(dst.get());
        processor.setSrcImg(src.get());
        processor.setRenderWindow(args.renderWindow);
        processor.setGPURenderArgs(args);
        processor.setParameter(mix);
        processor.process();
        // A host abort during the bands may leave nothing written: no failure.
        outcome.aborted = abort();
        if (!outcome.aborted) {
            outcome.reason = processor.failure();
            outcome.status = outcome.reason.empty() ? kOfxStatOK : kOfxStatFailed;
        }
    }
    OFX::Log::print("DONE");
    return outcome;
}
