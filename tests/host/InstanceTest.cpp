// Instances of the fake effect: images, render arguments, identity, instance changes and the
// suite calls an effect makes on an instance.
#include "HostTestUtil.h"

#include <ofxGPURender.h>
#include <ofxMessage.h>

using hosttest::errorOf;
using hosttest::Pixels;

namespace {

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ofxhost::Effect* effect =
            host.loadBundle(hosttest::bundle("FakeGain")).effect("org.zelk.test.FakeGain");
        ASSERT_NE(effect, nullptr);
        instance = effect->createInstance(kOfxImageEffectContextFilter);
    }
    int seenFlag(const char* name)
    {
        return instance->properties().getInt(std::string("seen ") + name);
    }

    ofxhost::Host host;
    std::unique_ptr<ofxhost::Instance> instance; // destroyed before the host
};

TEST_F(InstanceTest, IdentityAndChangesCarryWhatTheEffectAnswers)
{
    ofxhost::IdentityResult r = instance->isIdentity(5.0, OfxRectI{0, 0, 4, 4});
    EXPECT_EQ(r.status, kOfxStatOK);
    EXPECT_EQ(r.clip, "Source");
    EXPECT_EQ(r.time, 6.0) << "the time the effect chose";
    instance->setParam("gain", 1.5);
    EXPECT_EQ(instance->isIdentity(5.0, OfxRectI{0, 0, 4, 4}).status, kOfxStatReplyDefault);

    EXPECT_EQ(instance->paramChanged("gain", 3.0), kOfxStatOK);
    EXPECT_EQ(instance->paramDouble("echo"), 3.0) << "written by the effect through paramSetValue";
    EXPECT_THROW(instance->paramChanged("nosuch"), ofxhost::Error);
    EXPECT_THROW(instance->clipChanged("Matte"), ofxhost::Error);
}

TEST_F(InstanceTest, ImagesAreCheckedWhenAttachedAndTheEffectsMessagesKept)
{
    Pixels src(4, 4, 3.0f), dst(4, 4, -1.0f);
    instance->setClipImage("Output", dst.desc());
    host.clearMessages();
    EXPECT_EQ(instance->render(7.0, OfxRectI{0, 0, 4, 4}), kOfxStatFailed) << "no Source image";
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].id, "fake.nosource");
    EXPECT_EQ(host.messages()[0].text, "no source image at 7") << "printf-style text";
    EXPECT_EQ(instance->liveImageCount(), 0);

    // Images the effect would read out of bounds are refused and the previous one kept.
    instance->setClipImage("Source", src.desc());
    ofxhost::ImageDesc narrowRows = src.desc(), noData = src.desc(), inverted = src.desc();
    narrowRows.rowBytes = 4 * 16 - 1;
    noData.data = nullptr;
    inverted.bounds = OfxRectI{4, 0, 0, 4};
    for (const auto& [bad, why] : {std::pair{narrowRows, "row bytes 63"},
                                   std::pair{noData, "no data"}, std::pair{inverted, "inverted"}}) {
        const std::string error = errorOf([&] { instance->setClipImage("Source", bad); });
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
    ASSERT_EQ(instance->render(0, OfxRectI{0, 0, 4, 4}), kOfxStatOK);
    EXPECT_EQ(dst.at(2, 2, 3), 3.0f);

    // Rows running bottom-up (negative row bytes) are fine.
    ofxhost::ImageDesc flipped = src.desc();
    flipped.data = &src.at(0, 3, 0);
    flipped.rowBytes = -flipped.rowBytes;
    EXPECT_NO_THROW(instance->setClipImage("Source", flipped));
}

// The effect gets the host's queue or stream as given, and the other API's flag off; a host
// without GPU support sends no GPU arguments and refuses a GPU render.
TEST_F(InstanceTest, RenderArgumentsCarryTheGpuSelectionUntouched)
{
    Pixels src(2, 2), dst(2, 2);
    instance->setClipImage("Source", src.desc());
    instance->setClipImage("Output", dst.desc());
    const OfxRectI window{0, 0, 2, 2};
    int queue = 0, stream = 0;
    ofxhost::GpuRenderArgs cl, cuda;
    cl.openCL = true;
    cl.clQueue = &queue;
    cuda.cuda = true;
    cuda.cudaStream = &stream;
    ASSERT_EQ(instance->render(0, window, cl), kOfxStatOK);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropOpenCLEnabled), 1);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropCudaEnabled), 0);
    EXPECT_EQ(instance->properties().getPointer(std::string("seen ") +
                                                kOfxImageEffectPropOpenCLCommandQueue),
              &queue);
    ASSERT_EQ(instance->render(0, window, cuda), kOfxStatOK);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropOpenCLEnabled), 0);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropCudaEnabled), 1);
    EXPECT_EQ(
        instance->properties().getPointer(std::string("seen ") + kOfxImageEffectPropCudaStream),
        &stream);

    ofxhost::HostOptions options;
    options.gpuProperties = false;
    ofxhost::Host cpuOnly(options);
    for (const char* name :
         {kOfxImageEffectPropOpenCLRenderSupported, kOfxImageEffectPropCudaRenderSupported,
          kOfxImageEffectPropCudaStreamSupported})
        EXPECT_EQ(host.hostProperties().getString(name), "true") << name;
    EXPECT_FALSE(cpuOnly.hostProperties().has(kOfxImageEffectPropCudaStreamSupported));
    auto plain = cpuOnly.loadBundle(hosttest::bundle("FakeGain")).effects().at(0)->createInstance();
    plain->setClipImage("Source", src.desc());
    plain->setClipImage("Output", dst.desc());
    EXPECT_EQ(plain->render(0, window), kOfxStatOK);
    EXPECT_EQ(plain->properties().getInt(std::string("seen ") + kOfxImageEffectPropOpenCLEnabled),
              -1);
    EXPECT_THROW(plain->render(0, window, cuda), ofxhost::Error);
}

TEST_F(InstanceTest, SuiteCallsOnAnInstanceAnswerWithTheRightStatuses)
{
    auto* fx = hosttest::fetchSuite<OfxImageEffectSuiteV1>(host, kOfxImageEffectSuite);
    auto* ps = hosttest::fetchSuite<OfxParameterSuiteV1>(host, kOfxParameterSuite);
    OfxImageEffectHandle effect = instance->handle();
    OfxParamSetHandle params = nullptr;
    ASSERT_EQ(fx->getParamSet(effect, &params), kOfxStatOK);
    OfxParamHandle mode = nullptr, missing = nullptr;
    OfxPropertySetHandle props = nullptr;
    EXPECT_EQ(ps->paramGetHandle(params, "nosuch", &missing, nullptr), kOfxStatErrUnknown);
    ASSERT_EQ(ps->paramGetHandle(params, "mode", &mode, &props), kOfxStatOK);
    EXPECT_EQ(ps->paramSetValue(mode, 3), kOfxStatErrValue) << "no fourth option";
    EXPECT_EQ(ps->paramDefine(params, kOfxParamTypeDouble, "late", &props), kOfxStatErrBadHandle)
        << "instances define nothing";

    OfxImageClipHandle source = nullptr;
    EXPECT_EQ(fx->clipGetHandle(effect, "Matte", &source, nullptr), kOfxStatErrUnknown);
    ASSERT_EQ(fx->clipGetHandle(effect, "Source", &source, nullptr), kOfxStatOK);
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
    EXPECT_EQ(fx->clipDefine(effect, "Extra", &props), kOfxStatErrBadHandle);
    EXPECT_EQ(fx->getPropertySet(nullptr, &props), kOfxStatErrBadHandle);
}

// That a failed render's message stands and a good one clears it: RenderFailure's tests.
TEST_F(InstanceTest, APersistentMessageIsTheNewestAndOnlyAnInstanceHoldsOne)
{
    auto* messages = hosttest::fetchSuite<OfxMessageSuiteV2>(host, kOfxMessageSuite, 2);
    ASSERT_NE(messages, nullptr);
    void* handle = instance->handle();
    host.clearMessages();
    messages->setPersistentMessage(handle, kOfxMessageError, "fake.id", "%s at %d", "failed", 3);
    messages->setPersistentMessage(handle, kOfxMessageWarning, "fake.id", "later");
    messages->message(handle, kOfxMessageError, "fake.id", "passing");
    const std::optional<ofxhost::Message> standing = instance->persistentMessage();
    ASSERT_TRUE(standing.has_value());
    EXPECT_EQ(standing->text, "later") << "the newest, and a plain message does not stand";
    ASSERT_EQ(host.messages().size(), 3u) << "all recorded";
    EXPECT_EQ(host.messages()[0].text, "failed at 3");
    EXPECT_EQ(messages->setPersistentMessage(nullptr, kOfxMessageError, "x", "y"),
              kOfxStatErrBadHandle);
    EXPECT_EQ(messages->clearPersistentMessage(nullptr), kOfxStatErrBadHandle);
}

} // namespace
