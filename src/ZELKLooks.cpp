// The plug-in's single effect: its factory, identity and description.

#include <string>
#include <vector>

#include "LookLibrary.h"
#include "RenderLook.h"
#include "ofxsImageEffect.h"
#include "ofxsLog.h"

namespace {

constexpr const char* kPluginName = "ZELK Look Library";
constexpr const char* kPluginLongName = "ZELK Look Library v1.0.2";
constexpr const char* kPluginGrouping = "ZELK Effects";
constexpr const char* kPluginDescription = "Apply ZELK Look Library";
constexpr const char* kPluginIdentifier = "com.ZELKOpenFX.ZELKLookLib";
// Major changes break saved projects; minor ones must not.
constexpr unsigned int kPluginVersionMajor = 1;
constexpr unsigned int kPluginVersionMinor = 0;

constexpr const char* kParamPage = "Controls";
constexpr const char* kParamLook = "printStock";
constexpr const char* kParamLookLabel = "ZELK Look";
constexpr const char* kParamLookHint = "Pick a Print Stock";
constexpr const char* kParamColor = "color";
constexpr const char* kParamColorLabel = "Color Intensity";
constexpr const char* kParamColorHint = "Blends the color strength";
constexpr const char* kParamCurve = "colorSpaceTransform";
constexpr const char* kParamCurveLabel = "I/O Space";
constexpr const char* kParamCurveHint = "Select the transfer curve of your timeline";
constexpr const char* kCurveTevo4 = "Tevo4/QXR4";
constexpr const char* kCurveTevo3 = "Tevo3/QXR3";

} // namespace

class ZELKLooksFactory : public OFX::PluginFactoryHelper<ZELKLooksFactory> {
public:
    ZELKLooksFactory()
        : OFX::PluginFactoryHelper<ZELKLooksFactory>(kPluginIdentifier, kPluginVersionMajor,
                                                     kPluginVersionMinor)
    {
    }

    void load() override {}
    void unload() override {}
    void describe(OFX::ImageEffectDescriptor& desc) override;
    void describeInContext(OFX::ImageEffectDescriptor& desc, OFX::ContextEnum context) override;
    OFX::ImageEffect* createInstance(OfxImageEffectHandle handle,
                                     OFX::ContextEnum context) override;

private:
    // Written by describe-in-context, read by create-instance; the host never
    // runs the two at once.
    std::string m_LookDir;
};

void ZELKLooksFactory::describe(OFX::ImageEffectDescriptor& desc)
{
    desc.setLabels(kPluginName, kPluginName, kPluginLongName);
    desc.setPluginGrouping(kPluginGrouping);
    desc.setPluginDescription(kPluginDescription);

    desc.addSupportedContext(OFX::eContextFilter);
    desc.addSupportedContext(OFX::eContextGeneral);
    desc.addSupportedBitDepth(OFX::eBitDepthFloat);

    desc.setSingleInstance(false);
    desc.setHostFrameThreading(false);
    desc.setSupportsMultiResolution(false);
    desc.setSupportsTiles(false);
    desc.setTemporalClipAccess(false);
    desc.setRenderTwiceAlways(false);
    desc.setSupportsMultipleClipPARs(false);

    // A GPU path is claimed only when it was built into this binary.
#if defined(ZELK_HAVE_OPENCL)
    desc.setSupportsOpenCLBuffersRender(true);
#else
    desc.setSupportsOpenCLBuffersRender(false);
#endif
    desc.setSupportsOpenCLImagesRender(false);
#if defined(ZELK_HAVE_CUDA)
    desc.setSupportsCudaRender(true);
    desc.setSupportsCudaStream(true);
#else
    desc.setSupportsCudaRender(false);
    desc.setSupportsCudaStream(false);
#endif
}

void ZELKLooksFactory::describeInContext(OFX::ImageEffectDescriptor& desc,
                                         OFX::ContextEnum /*context*/)
{
    OFX::Log::print("ZELKLooksFactory::describeInContext");
    const std::string bundlePath = desc.getPropertySet().propGetString(kOfxPluginPropFilePath);
    m_LookDir = bundlePath + zelk::kLookDirSuffix;
    OFX::Log::print("%s", bundlePath.c_str());
    std::vector<std::string> lookNames = zelk::listLookNames(m_LookDir);

    OFX::ClipDescriptor* srcClip = desc.defineClip(kOfxImageEffectSimpleSourceClipName);
    srcClip->addSupportedComponent(OFX::ePixelComponentRGBA);
    srcClip->setTemporalClipAccess(false);
    srcClip->setSupportsTiles(false);
    srcClip->setIsMask(false);

    OFX::ClipDescriptor* dstClip = desc.defineClip(kOfxImageEffectOutputClipName);
    dstClip->addSupportedComponent(OFX::ePixelComponentRGBA);
    dstClip->addSupportedComponent(OFX::ePixelComponentAlpha);
    dstClip->setSupportsTiles(false);

    OFX::PageParamDescriptor* page = desc.definePageParam(kParamPage);

    OFX::ChoiceParamDescriptor* look = desc.defineChoiceParam(kParamLook);
    look->setLabel(kParamLookLabel);
    look->setHint(kParamLookHint);
    for (const std::string& name : lookNames) {
        look->appendOption(name);
    }
    look->setDefault(0);
    page->addChild(*look);

    OFX::DoubleParamDescriptor* color = desc.defineDoubleParam(kParamColor);
    color->setLabels(kParamColorLabel, kParamColorLabel, kParamColorLabel);
    color->setScriptName(kParamColor);
    color->setHint(kParamColorHint);
    color->setDefault(1.0);
    color->setRange(0.0, 1.0);
    color->setIncrement(0.1);
    color->setDisplayRange(0.0, 1.0);
    color->setDoubleType(OFX::eDoubleTypeScale);

    OFX::ChoiceParamDescriptor* curve = desc.defineChoiceParam(kParamCurve);
    curve->setLabel(kParamCurveLabel);
    curve->setHint(kParamCurveHint);
    curve->appendOption(kCurveTevo4);
    curve->appendOption(kCurveTevo3);
    curve->setDefault(0);
    page->addChild(*curve);
    page->addChild(*color);
}

OFX::ImageEffect* ZELKLooksFactory::createInstance(OfxImageEffectHandle handle,
                                                   OFX::ContextEnum /*context*/)
{
    return new RenderLook(handle, m_LookDir, m_LookDir + "4");
}

namespace OFX {
namespace Plugin {

void getPluginIDs(OFX::PluginFactoryArray& ids)
{
    OFX::Log::open();
    static ZELKLooksFactory factory;
    ids.push_back(&factory);
}

} // namespace Plugin
} // namespace OFX
