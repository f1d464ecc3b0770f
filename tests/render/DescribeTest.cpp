// The effect as a host sees it after load, describe and describe-in-context.

#include <ofxGPURender.h>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

const ofxhost::EffectDescriptor& inContext(ofxhost::Effect& effect, const char* context)
{
    const ofxhost::EffectDescriptor* d = effect.contextDescriptor(context);
    if (d == nullptr) {
        throw std::runtime_error(std::string("not described in ") + context);
    }
    return *d;
}

const ofxhost::PropertySet& lookParam(ofxhost::Host& host, const TestBundle& bundle)
{
    return *inContext(*host.loadBundle(bundle.path()).effect(kEffectId),
                      kOfxImageEffectContextFilter)
                .param("printStock");
}

} // namespace

TEST(Describe, EffectWideProperties)
{
    TestBundle bundle;
    ofxhost::Host host;
    ofxhost::Effect* effect = host.loadBundle(bundle.path()).effect(kEffectId);
    ASSERT_NE(effect, nullptr);
    const ofxhost::PropertySet& p = effect->descriptor().properties();
    // OpenCL images ("false") would have the host hand over images, not buffers.
    EXPECT_EQ(p.getString(kOfxImageEffectPropOpenCLSupported), "false");
    EXPECT_EQ(
        p.getStrings(kOfxImageEffectPropSupportedContexts),
        (std::vector<std::string>{kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral}));
    EXPECT_EQ(p.getStrings(kOfxImageEffectPropSupportedPixelDepths),
              std::vector<std::string>{kOfxBitDepthFloat});
    for (const char* name :
         {kOfxImageEffectPluginPropSingleInstance, kOfxImageEffectPluginPropHostFrameThreading,
          kOfxImageEffectPropSupportsMultiResolution, kOfxImageEffectPropSupportsTiles,
          kOfxImageEffectPropTemporalClipAccess, kOfxImageEffectPluginPropFieldRenderTwiceAlways,
          kOfxImageEffectPropSupportsMultipleClipPARs}) {
        EXPECT_EQ(p.getInt(name), 0) << name;
    }
#if defined(ZELK_TEST_HAVE_OPENCL)
    EXPECT_EQ(p.getString(kOfxImageEffectPropOpenCLRenderSupported), "true");
#endif
#if defined(ZELK_TEST_HAVE_CUDA)
    EXPECT_EQ(p.getString(kOfxImageEffectPropCudaRenderSupported), "true");
    EXPECT_EQ(p.getString(kOfxImageEffectPropCudaStreamSupported), "true");
#else
    // A binary without CUDA must not claim it.
    EXPECT_NE(p.valueText(kOfxImageEffectPropCudaRenderSupported), "true");
    EXPECT_NE(p.valueText(kOfxImageEffectPropCudaStreamSupported), "true");
#endif
    // Left to the host's defaults: set neither to "false" nor to anything else.
    EXPECT_FALSE(p.has(kOfxImageEffectPropMetalRenderSupported));
}

TEST(Describe, ClipsAndParametersInBothContexts)
{
    TestBundle bundle;
    for (const char* look : {"B", "a", "A"}) {
        bundle.addLook(look, constantLut(2, 0.0f));
    }
    ofxhost::Host host;
    ofxhost::Effect* effect = host.loadBundle(bundle.path()).effect(kEffectId);
    ASSERT_NE(effect, nullptr);

    for (const char* context : {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral}) {
        SCOPED_TRACE(context);
        const ofxhost::EffectDescriptor& d = inContext(*effect, context);
        EXPECT_EQ(d.clipNames(), (std::vector<std::string>{"Source", "Output"}));
        EXPECT_EQ(d.clip("Source")->getStrings(kOfxImageEffectPropSupportedComponents),
                  std::vector<std::string>{kOfxImageComponentRGBA});
        EXPECT_EQ(d.clip("Output")->getStrings(kOfxImageEffectPropSupportedComponents),
                  (std::vector<std::string>{kOfxImageComponentRGBA, kOfxImageComponentAlpha}));
        EXPECT_EQ(d.paramNames(), (std::vector<std::string>{"Controls", "printStock", "color",
                                                            "colorSpaceTransform"}));

        // Looks in byte order, the first by default.
        const ofxhost::PropertySet& look = *d.param("printStock");
        EXPECT_EQ(d.paramType("printStock"), kOfxParamTypeChoice);
        EXPECT_EQ(look.getStrings(kOfxParamPropChoiceOption),
                  (std::vector<std::string>{"A", "B", "a"}));
        EXPECT_EQ(look.getInt(kOfxParamPropDefault), 0);

        const ofxhost::PropertySet& color = *d.param("color");
        EXPECT_EQ(d.paramType("color"), kOfxParamTypeDouble);
        EXPECT_EQ(color.getDouble(kOfxParamPropDefault), 1.0);
        EXPECT_EQ(color.getDouble(kOfxParamPropMin), 0.0);
        EXPECT_EQ(color.getDouble(kOfxParamPropMax), 1.0);

        EXPECT_EQ(d.param("colorSpaceTransform")->getStrings(kOfxParamPropChoiceOption),
                  (std::vector<std::string>{"Tevo4/QXR4", "Tevo3/QXR3"}));
    }
}

TEST(Describe, LookDirectoryEdgeCases)
{
    namespace fs = std::filesystem;
    // Missing: the error line on stderr, no options, the description succeeds.
    {
        TestBundle bundle;
        fs::remove_all(bundle.lookDir());
        ofxhost::Host host;
        testing::internal::CaptureStderr();
        ofxhost::Effect* effect = host.loadBundle(bundle.path()).effect(kEffectId);
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_NE(effect, nullptr);
        EXPECT_NE(err.find("Error access Dir: "), std::string::npos) << err;
        const ofxhost::EffectDescriptor& d = inContext(*effect, kOfxImageEffectContextGeneral);
        EXPECT_LE(d.param("printStock")->dimension(kOfxParamPropChoiceOption), 0);
        EXPECT_EQ(d.param("printStock")->getInt(kOfxParamPropDefault), 0);
        EXPECT_EQ(d.paramNames().size(), 4u);
    }
    // Mixed contents: directories and dangling links skipped, links to files
    // followed, other names kept in full, equal names side by side.
    {
        TestBundle bundle;
        const fs::path dir = bundle.lookDir();
        writeLookFile(dir / "x.cube.bin", constantLut(2, 0.0f));
        writeLookFile(dir / "x", constantLut(2, 0.0f));
        writeLookFile(dir / ".hidden", constantLut(2, 0.0f));
        writeLookFile(dir / ".cube.bin", constantLut(2, 0.0f));
        writeLookFile(dir / "y.cube.bin.old", constantLut(2, 0.0f));
        writeLookFile(bundle.lookDirTevo4() / "target.cube.bin", constantLut(2, 0.0f));
        fs::create_directory(dir / "sub.cube.bin");
        fs::create_symlink(bundle.lookDirTevo4() / "target.cube.bin", dir / "linked.cube.bin");
        fs::create_symlink(dir / "nowhere", dir / "dangling.cube.bin");
        fs::create_directory_symlink(bundle.lookDirTevo4(), dir / "dirlink");
        ofxhost::Host host;
        EXPECT_EQ(lookParam(host, bundle).getStrings(kOfxParamPropChoiceOption),
                  (std::vector<std::string>{"", ".hidden", "linked", "x", "x", "y.cube.bin.old"}));
    }
}

TEST(Describe, HostWithoutGpuPropertiesStillDescribes)
{
    TestBundle bundle;
    bundle.addLook("A", constantLut(18, 0.25f));
    ofxhost::HostOptions options;
    options.gpuProperties = false;
    Session session(bundle, options);
    const ofxhost::PropertySet& p = session.effect().descriptor().properties();
    EXPECT_FALSE(p.has(kOfxImageEffectPropCudaRenderSupported));
    EXPECT_FALSE(p.has(kOfxImageEffectPropOpenCLRenderSupported));
    // And it renders on the CPU.
    Frame src(2, 2, 0.5f);
    Frame dst(2, 2, -1.0f);
    EXPECT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.25f);
}
