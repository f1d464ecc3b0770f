// Instances of the fake effect: parameter values both ways, images, render arguments, identity,
// instance changes and abort.
#include "HostTestUtil.h"

#include <ofxhost/Host.h>

#include <ofxImageEffect.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

using hosttest::Pixels;

namespace {

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        effect = host.loadBundle(hosttest::fakeBundle()).effect("org.zelk.test.FakeGain");
        ASSERT_NE(effect, nullptr);
        instance = effect->createInstance(kOfxImageEffectContextFilter);
    }
    void TearDown() override { instance.reset(); }

    std::string errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const ofxhost::Error& e) {
            return e.what();
        }
        return "(no error)";
    }

    ofxhost::Host host;
    ofxhost::Effect* effect = nullptr;
    std::unique_ptr<ofxhost::Instance> instance;
};

TEST_F(InstanceTest, ParametersStartAtTheirDefaultsAndTakeCheckedValues) {
    EXPECT_EQ(instance->paramDouble("gain"), 1.0);
    EXPECT_EQ(instance->paramInt("mode"), 1);
    EXPECT_EQ(instance->paramInt("steps"), 3);
    EXPECT_EQ(instance->paramInt("invert"), 0);
    EXPECT_EQ(instance->paramString("note"), "hello");
    EXPECT_EQ(instance->choiceOptions("mode"), (std::vector<std::string>{"Fast", "Good", "Best"}));

    instance->setParam("gain", 2.5);
    EXPECT_EQ(instance->paramDouble("gain"), 2.5);
    instance->setChoice("mode", "Best");
    EXPECT_EQ(instance->paramInt("mode"), 2);
    instance->setParamFromText("mode", "Fast");
    EXPECT_EQ(instance->paramInt("mode"), 0);
    instance->setParamFromText("mode", "2");
    EXPECT_EQ(instance->paramInt("mode"), 2);
    instance->setParamFromText("steps", "10");
    EXPECT_EQ(instance->paramInt("steps"), 10);
    instance->setParamFromText("invert", "true");
    EXPECT_EQ(instance->paramInt("invert"), 1);
    instance->setParamFromText("note", "some text");
    EXPECT_EQ(instance->paramString("note"), "some text");
    instance->setParamFromText("gain", "0.25");
    EXPECT_EQ(instance->paramDouble("gain"), 0.25);

    // Every refusal names the parameter and leaves the value as it was.
    const std::string unknownOption = errorOf([&] { instance->setParamFromText("mode", "Ultra"); });
    EXPECT_NE(unknownOption.find("\"Ultra\""), std::string::npos) << unknownOption;
    EXPECT_NE(unknownOption.find("\"Fast\", \"Good\", \"Best\""), std::string::npos) << unknownOption;
    EXPECT_NE(errorOf([&] { instance->setParam("mode", 3); }).find("\"mode\""), std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParam("mode", -1); }).find("\"mode\""), std::string::npos);
    const std::string outOfRange = errorOf([&] { instance->setParam("gain", 4.5); });
    EXPECT_NE(outOfRange.find("outside its range 0 to 4"), std::string::npos) << outOfRange;
    EXPECT_NE(errorOf([&] { instance->setParamFromText("gain", "2x"); }).find("needs a number"), std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParamFromText("gain", ""); }).find("needs a number"), std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParam("gain", std::nan("")); }).find("finite"), std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParam("steps", 2.5); }).find("whole"), std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParam("steps", 11); }).find("1 to 10"), std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParamFromText("invert", "maybe"); }).find("boolean"), std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParam("nosuch", 1); }).find("unknown parameter \"nosuch\""),
              std::string::npos);
    EXPECT_NE(errorOf([&] { instance->setParam("note", 1); }).find("does not take a number"), std::string::npos);
    EXPECT_EQ(instance->paramDouble("gain"), 0.25);
    EXPECT_EQ(instance->paramInt("mode"), 2);
    EXPECT_EQ(instance->paramInt("steps"), 10);
}

TEST_F(InstanceTest, ChangesReachTheEffectAndItsOwnWritesComeBack) {
    instance->setParam("gain", 1.5);
    EXPECT_EQ(instance->paramChanged("gain", 3.0), kOfxStatOK);
    EXPECT_EQ(instance->properties().getString("FakeLastChange"), "OfxTypeParameter:gain");
    EXPECT_EQ(instance->paramDouble("echo"), 3.0) << "written by the effect through paramSetValue";
    EXPECT_EQ(instance->clipChanged("Source"), kOfxStatOK);
    EXPECT_EQ(instance->properties().getString("FakeLastChange"), "OfxTypeClip:Source");
    EXPECT_THROW(instance->paramChanged("nosuch"), ofxhost::Error);
    EXPECT_THROW(instance->clipChanged("Matte"), ofxhost::Error);
}

TEST_F(InstanceTest, RendersTheWindowFromImagesWhereverTheirBoundsLie) {
    // Source and Output cover different regions; only the window's pixels may change.
    Pixels src(8, 6), dst(6, 5, -1.0f);
    for (size_t i = 0; i < src.data.size(); ++i) src.data[i] = static_cast<float>(i);
    instance->setClipImage("Source", src.desc(10, 20));
    instance->setClipImage("Output", dst.desc(11, 21));
    instance->setParam("gain", 2.0);
    host.setReportedCPUs(3);
    const OfxRectI window{12, 22, 16, 25};
    ASSERT_EQ(instance->render(4.0, window), kOfxStatOK);
    host.setReportedCPUs(0);
    for (int y = 21; y < 26; ++y) {
        for (int x = 11; x < 17; ++x) {
            const bool inside = x >= window.x1 && x < window.x2 && y >= window.y1 && y < window.y2;
            const float expected = inside ? src.at(x - 10, y - 20, 1) * 2.0f : -1.0f;
            ASSERT_EQ(dst.at(x - 11, y - 21, 1), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(instance->liveImageCount(), 0) << "the effect released both images";
}

TEST_F(InstanceTest, MissingImagesWrongFormatsAndAbortReachTheEffect) {
    Pixels src(4, 4, 1.0f), dst(4, 4, -1.0f);
    instance->setClipImage("Output", dst.desc());
    instance->clearClipImage("Source");
    host.clearMessages();
    EXPECT_EQ(instance->render(7.0, OfxRectI{0, 0, 4, 4}), kOfxStatFailed);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].id, "fake.nosource");
    EXPECT_EQ(host.messages()[0].text, "no source image at 7") << "printf-style text";
    EXPECT_EQ(instance->liveImageCount(), 0);

    instance->setClipImage("Source", src.desc());
    ofxhost::ImageDesc bytes = dst.desc();
    bytes.pixelDepth = kOfxBitDepthByte;
    instance->setClipImage("Output", bytes);
    EXPECT_EQ(instance->clipProperties("Output").getString(kOfxImageEffectPropPixelDepth), kOfxBitDepthByte);
    EXPECT_EQ(instance->render(0, OfxRectI{0, 0, 4, 4}), kOfxStatErrImageFormat);
    instance->setClipFormat("Output", kOfxBitDepthFloat, kOfxImageComponentAlpha);
    EXPECT_EQ(instance->clipProperties("Output").getString(kOfxImageEffectPropComponents), kOfxImageComponentAlpha);

    instance->setClipImage("Output", dst.desc());
    std::atomic<int> polls{0};
    instance->setAbortHook([&] {
        ++polls;
        return true;
    });
    EXPECT_EQ(instance->render(0, OfxRectI{0, 0, 4, 4}), kOfxStatOK);
    EXPECT_GT(polls.load(), 0);
    for (float v : dst.data) ASSERT_EQ(v, -1.0f) << "an aborted render writes nothing";
    instance->setAbortHook(nullptr);
    EXPECT_EQ(instance->render(0, OfxRectI{0, 0, 4, 4}), kOfxStatOK);
    EXPECT_EQ(dst.at(3, 3, 0), 1.0f);
}

TEST_F(InstanceTest, RefusesImagesTheEffectWouldReadOutOfBoundsAndKeepsThePreviousOne) {
    Pixels src(4, 4, 3.0f), dst(4, 4, -1.0f);
    instance->setClipImage("Source", src.desc());
    instance->setClipImage("Output", dst.desc());
    ofxhost::ImageDesc bad = src.desc();
    bad.rowBytes = 4 * 16 - 1;
    EXPECT_NE(errorOf([&] { instance->setClipImage("Source", bad); }).find("row bytes 63"), std::string::npos);
    bad = src.desc();
    bad.data = nullptr;
    EXPECT_NE(errorOf([&] { instance->setClipImage("Source", bad); }).find("no data"), std::string::npos);
    bad = src.desc();
    bad.bounds = OfxRectI{4, 0, 0, 4};
    EXPECT_NE(errorOf([&] { instance->setClipImage("Source", bad); }).find("inverted"), std::string::npos);
    // Rows running bottom-up (negative row bytes) are fine.
    ofxhost::ImageDesc flipped = src.desc();
    flipped.data = &src.at(0, 3, 0);
    flipped.rowBytes = -flipped.rowBytes;
    EXPECT_NO_THROW(instance->setClipImage("Source", flipped));
    instance->setClipImage("Source", src.desc());
    ASSERT_EQ(instance->render(0, OfxRectI{0, 0, 4, 4}), kOfxStatOK);
    EXPECT_EQ(dst.at(2, 2, 3), 3.0f) << "the image attached before the refusals";
}

TEST_F(InstanceTest, RenderArgumentsCarryTheGpuSelectionUntouched) {
    Pixels src(2, 2), dst(2, 2);
    instance->setClipImage("Source", src.desc());
    instance->setClipImage("Output", dst.desc());
    ASSERT_EQ(instance->render(0, OfxRectI{0, 0, 2, 2}), kOfxStatOK);
    EXPECT_EQ(instance->properties().getInt("FakeOpenCLEnabled"), 0);
    EXPECT_EQ(instance->properties().getInt("FakeCudaEnabled"), 0);

    int queue = 0, stream = 0;
    ofxhost::GpuRenderArgs gpu;
    gpu.openCL = true;
    gpu.clQueue = &queue;
    ASSERT_EQ(instance->render(0, OfxRectI{0, 0, 2, 2}, gpu), kOfxStatOK);
    EXPECT_EQ(instance->properties().getInt("FakeOpenCLEnabled"), 1);
    EXPECT_EQ(instance->properties().getPointer("FakeOpenCLQueue"), &queue);
    EXPECT_EQ(instance->properties().getInt("FakeCudaEnabled"), 0);

    gpu = ofxhost::GpuRenderArgs{};
    gpu.cuda = true;
    gpu.cudaStream = &stream;
    ASSERT_EQ(instance->render(0, OfxRectI{0, 0, 2, 2}, gpu), kOfxStatOK);
    EXPECT_EQ(instance->properties().getInt("FakeOpenCLEnabled"), 0);
    EXPECT_EQ(instance->properties().getInt("FakeCudaEnabled"), 1);
    EXPECT_EQ(instance->properties().getPointer("FakeCudaStream"), &stream);
}

TEST_F(InstanceTest, SuiteCallsOnAnInstanceAnswerWithTheRightStatuses) {
    OfxHost* h = host.ofxHost();
    auto* fx = static_cast<const OfxImageEffectSuiteV1*>(h->fetchSuite(h->host, kOfxImageEffectSuite, 1));
    auto* ps = static_cast<const OfxParameterSuiteV1*>(h->fetchSuite(h->host, kOfxParameterSuite, 1));
    OfxImageEffectHandle effectHandle = instance->handle();
    OfxParamSetHandle params = nullptr;
    ASSERT_EQ(fx->getParamSet(effectHandle, &params), kOfxStatOK);
    OfxParamHandle mode = nullptr, missing = nullptr;
    OfxPropertySetHandle props = nullptr;
    EXPECT_EQ(ps->paramGetHandle(params, "nosuch", &missing, nullptr), kOfxStatErrUnknown);
    ASSERT_EQ(ps->paramGetHandle(params, "mode", &mode, &props), kOfxStatOK);
    EXPECT_NE(props, nullptr);
    EXPECT_EQ(ps->paramSetValue(mode, 3), kOfxStatErrValue) << "no fourth option";
    EXPECT_EQ(ps->paramSetValue(mode, 2), kOfxStatOK);
    int value = -1;
    EXPECT_EQ(ps->paramGetValueAtTime(mode, 12.0, &value), kOfxStatOK);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(ps->paramDefine(params, kOfxParamTypeDouble, "late", &props), kOfxStatErrBadHandle)
        << "instances define nothing";
    EXPECT_EQ(ps->paramGetValue(nullptr, &value), kOfxStatErrBadHandle);

    OfxImageClipHandle source = nullptr;
    EXPECT_EQ(fx->clipGetHandle(effectHandle, "Matte", &source, nullptr), kOfxStatErrUnknown);
    ASSERT_EQ(fx->clipGetHandle(effectHandle, "Source", &source, nullptr), kOfxStatOK);
    OfxPropertySetHandle image = nullptr;
    EXPECT_EQ(fx->clipGetImage(source, 0, nullptr, &image), kOfxStatFailed) << "no image attached";
    Pixels src(2, 3);
    instance->setClipImage("Source", src.desc(5, 6));
    ASSERT_EQ(fx->clipGetImage(source, 0, nullptr, &image), kOfxStatOK);
    EXPECT_EQ(instance->liveImageCount(), 1);
    OfxRectD rod{};
    EXPECT_EQ(fx->clipGetRegionOfDefinition(source, 0, &rod), kOfxStatOK);
    EXPECT_EQ(rod.x2, 7.0);
    EXPECT_EQ(fx->clipReleaseImage(image), kOfxStatOK);
    EXPECT_EQ(fx->clipReleaseImage(image), kOfxStatErrBadHandle) << "released twice";
    EXPECT_EQ(instance->liveImageCount(), 0);
    EXPECT_EQ(fx->clipDefine(effectHandle, "Extra", &props), kOfxStatErrBadHandle) << "instances define nothing";
    EXPECT_EQ(fx->getPropertySet(nullptr, &props), kOfxStatErrBadHandle);
}

TEST_F(InstanceTest, IsIdentityReturnsTheClipAndTimeTheEffectChose) {
    ofxhost::IdentityResult r = instance->isIdentity(5.0, OfxRectI{0, 0, 4, 4});
    EXPECT_EQ(r.status, kOfxStatOK);
    EXPECT_EQ(r.clip, "Source");
    EXPECT_EQ(r.time, 6.0);
    instance->setParam("gain", 2.0);
    r = instance->isIdentity(5.0, OfxRectI{0, 0, 4, 4});
    EXPECT_EQ(r.status, kOfxStatReplyDefault);
    EXPECT_EQ(r.clip, "");
    EXPECT_EQ(r.time, 5.0) << "pre-filled with the asked time";
    EXPECT_EQ(instance->beginSequenceRender(0, 10), kOfxStatReplyDefault);
    EXPECT_EQ(instance->endSequenceRender(), kOfxStatReplyDefault);
}

TEST_F(InstanceTest, InstanceAndClipPropertiesAreThoseAPluginReads) {
    const ofxhost::PropertySet& p = instance->properties();
    EXPECT_EQ(p.getString(kOfxPropType), kOfxTypeImageEffectInstance);
    EXPECT_EQ(p.getString(kOfxImageEffectPropContext), kOfxImageEffectContextFilter);
    EXPECT_EQ(p.dimension(kOfxImageEffectPropProjectSize), 2);
    EXPECT_EQ(instance->clipNames(), (std::vector<std::string>{"Source", "Output"}));
    const ofxhost::PropertySet& c = instance->clipProperties("Source");
    for (const char* name : {kOfxImageEffectPropPixelDepth, kOfxImageEffectPropComponents,
                             kOfxImageClipPropUnmappedPixelDepth, kOfxImageClipPropUnmappedComponents,
                             kOfxImageEffectPropPreMultiplication, kOfxImagePropPixelAspectRatio,
                             kOfxImageEffectPropFrameRate, kOfxImageEffectPropFrameRange,
                             kOfxImageClipPropFieldOrder, kOfxImageClipPropConnected,
                             kOfxImageClipPropContinuousSamples, kOfxImageEffectPropSupportedComponents})
        EXPECT_TRUE(c.has(name)) << name;
    EXPECT_EQ(instance->paramProperties("gain").getString(kOfxPropType), kOfxTypeParameterInstance);
    EXPECT_THROW(instance->clipProperties("Matte"), ofxhost::Error);
}

}  // namespace
