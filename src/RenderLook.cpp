#include "RenderLook.h"

#include <memory>

#include "LookLibrary.h"
#include "LutRules.h"
#include "Process3DLUT.h"
#include "ofxsLog.h"

RenderLook::RenderLook(OfxImageEffectHandle handle, const std::string& lookDir,
                       const std::string& lookDirTevo4)
    : OFX::ImageEffect(handle)
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
    if (m_DstClip->getPixelDepth() != OFX::eBitDepthFloat) {
        OFX::throwSuiteStatusException(kOfxStatErrUnsupported);
    }
    if (m_DstClip->getPixelComponents() != OFX::ePixelComponentRGBA) {
        OFX::throwSuiteStatusException(kOfxStatErrUnsupported);
    }
    setupAndProcess(args);
}

void RenderLook::updateLookCache(int lookIndex, int curveIndex)
{
    if (curveIndex != m_CurrCurveIndex) {
        m_CurrLookIndex = -1;
        m_CurrCurveIndex = curveIndex;
    }
    if (lookIndex == m_CurrLookIndex) {
        return;
    }
    std::string fileName;
    m_PrintStock->getOption(lookIndex, fileName);
    fileName += zelk::kLookFileSuffix;
    OFX::Log::print("%s", fileName.c_str());
    OFX::Log::print("lookname = %s", fileName.c_str());

    const std::string& directory = m_CurrCurveIndex == 0 ? m_LookDirTevo4 : m_LookDir;
    read_triplets(directory + "/" + fileName, m_Lut);
    m_CurrLookIndex = lookIndex;
    m_LutSize = zelk::lut::lutSizeForCount(m_Lut.size());
}

void RenderLook::setupAndProcess(const OFX::RenderArguments& args)
{
    OFX::Log::print("RenderLook::setupAndProcess");

    // Declared Output first, Source second: both go back to the host on every
    // path, the Source image first.
    std::unique_ptr<OFX::Image> dst(m_DstClip->fetchImage(args.time));
    if (!dst) {
        OFX::Log::print("m_DstClip INVALID");
        return;
    }
    const OFX::BitDepthEnum dstBitDepth = dst->getPixelDepth();
    const OFX::PixelComponentEnum dstComponents = dst->getPixelComponents();
    OFX::Log::print("dstBitDepth = %d", static_cast<int>(dstBitDepth));
    OFX::Log::print("dstComponents = %d", static_cast<int>(dstComponents));

    std::unique_ptr<OFX::Image> src(m_SrcClip->fetchImage(args.time));
    if (!src) {
        OFX::Log::print("m_SrcClip INVALID");
        return;
    }
    const OFX::BitDepthEnum srcBitDepth = src->getPixelDepth();
    const OFX::PixelComponentEnum srcComponents = src->getPixelComponents();
    OFX::Log::print("srcBitDepth = %d", static_cast<int>(srcBitDepth));
    OFX::Log::print("srcComponents = %d", static_cast<int>(srcComponents));

    if (srcBitDepth != dstBitDepth || srcComponents != dstComponents) {
        OFX::Log::print("(srcBitDepth != dstBitDepth) || (srcComponents != dstComponents) !!!)");
        OFX::throwSuiteStatusException(kOfxStatErrValue);
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

    // lutIsUsable also refuses N of 17 or less.
    if (!abort() && zelk::lut::lutIsUsable(m_Lut.size(), m_LutSize)) {
        Process3DLUT processor(*this, m_Lut, m_LutSize);
        const float mix = static_cast<float>(m_Color->getValueAtTime(args.time));
        processor.setDstImg(dst.get());
        processor.setSrcImg(src.get());
        processor.setRenderWindow(args.renderWindow);
        processor.setGPURenderArgs(args);
        processor.setParameter(mix);
        processor.process();
    }
    OFX::Log::print("DONE");
}
