// Instances of the fake effect: images, render arguments, identity, instance changes and the
// suite calls an effect makes on an instance.
#include "HostTestUtil.h"

#include <ofxhost/Host.h>

#include <ofxGPURender.h>
#include <ofxImageEffect.h>
#include <ofxMessage.h>

#include <gtest/gtest.h>

#include <functional>

using hosttest::errorOf;
using hosttest::Pixels;

namespace {

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ofxhost::Effect* effect =
            host.loadBundle(hosttest::fakeBundle()).effect("org.zelk.test.FakeGain");
        ASSERT_NE(effect, nullptr);
        instance = effect->createInstance(kOfxImageEffectContextFilter);
    }

    int seenFlag(const char* name)
    {
        return instance->properties().getInt(std::string("seen ") + name);
    }
    void* seenHandle(const char* name)
    {
        return instance->properties().getPointer(std::string("seen ") + name);
    }

    ofxhost::Host host;
    std::unique_ptr<ofxhost::Instance> instance; // destroyed before the host
};

TEST_F(InstanceTest, IdentityAndChangesCarryWhatTheEffectAnswers)
{
    EXPECT_EQ(instance->paramInt("mode"), 1) << "parameters start at their defaults";
    EXPECT_EQ(instance->paramInt("steps"), 3);
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
    auto changed = [&](const std::function<void(ofxhost::ImageDesc&)>& change) {
        ofxhost::ImageDesc d = src.desc();
        change(d);
        return d;
    };
    const std::pair<ofxhost::ImageDesc, const char*> refused[] = {
        {changed([](ofxhost::ImageDesc& d) { d.rowBytes = 4 * 16 - 1; }), "row bytes 63"},
        {changed([](ofxhost::ImageDesc& d) { d.data = nullptr; }), "no data"},
        {changed([](ofxhost::ImageDesc& d) {
             d.bounds = OfxRectI{4, 0, 0, 4};
         }),
         "inverted"},
    };
    for (const auto& r : refused) {
        const std::string error = errorOf([&] { instance->setClipImage("Source", r.first); });
        EXPECT_NE(error.find(r.second), std::string::npos) << error;
    }
    ASSERT_EQ(instance->render(0, OfxRectI{0, 0, 4, 4}), kOfxStatOK);
    EXPECT_EQ(dst.at(2, 2, 3), 3.0f);

    // Rows running bottom-up (negative row bytes) are fine.
    ofxhost::ImageDesc flipped = src.desc();
    flipped.data = &src.at(0, 3, 0);
    flipped.rowBytes = -flipped.rowBytes;
    EXPECT_NO_THROW(instance->setClipImage("Source", flipped));
}

TEST_F(InstanceTest, RenderArgumentsCarryTheGpuSelectionUntouched)
{
    Pixels src(2, 2), dst(2, 2);
    instance->setClipImage("Source", src.desc());
    instance->setClipImage("Output", dst.desc());
    const OfxRectI window{0, 0, 2, 2};
    ASSERT_EQ(instance->render(0, window), kOfxStatOK);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropOpenCLEnabled), 0);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropCudaEnabled), 0);

    int queue = 0, stream = 0;
    ofxhost::GpuRenderArgs cl, cuda;
    cl.openCL = true;
    cl.clQueue = &queue;
    cuda.cuda = true;
    cuda.cudaStream = &stream;
    ASSERT_EQ(instance->render(0, window, cl), kOfxStatOK);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropOpenCLEnabled), 1);
    EXPECT_EQ(seenHandle(kOfxImageEffectPropOpenCLCommandQueue), &queue);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropCudaEnabled), 0);
    ASSERT_EQ(instance->render(0, window, cuda), kOfxStatOK);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropOpenCLEnabled), 0);
    EXPECT_EQ(seenFlag(kOfxImageEffectPropCudaEnabled), 1);
    EXPECT_EQ(seenHandle(kOfxImageEffectPropCudaStream), &stream);
}

TEST_F(InstanceTest, SuiteCallsOnAnInstanceAnswerWithTheRightStatuses)
{
    auto* fx = hosttest::fetchSuite<OfxImageEffectSuiteV1>(host, kOfxImageEffectSuite);
    auto* ps = hosttest::fetchSuite<OfxParameterSuiteV1>(host, kOfxParameterSuite);
    OfxImageEffectHandle effectHandle = instance->handle();
    OfxParamSetHandle params = nullptr;
    ASSERT_EQ(fx->getParamSet(effectHandle, &params), kOfxStatOK);
    OfxParamHandle mode = nullptr, missing = nullptr;
    OfxPropertySetHandle props = nullptr;
    EXPECT_EQ(ps->paramGetHandle(params, "nosuch", &missing, nullptr), kOfxStatErrUnknown);
    ASSERT_EQ(ps->paramGetHandle(params, "mode", &mode, &props), kOfxStatOK);
    EXPECT_EQ(ps->paramSetValue(mode, 3), kOfxStatErrValue) << "no fourth option";
    int value = -1;
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
    EXPECT_EQ(fx->clipDefine(effectHandle, "Extra", &props), kOfxStatErrBadHandle)
        << "instances define nothing";
    EXPECT_EQ(fx->getPropertySet(nullptr, &props), kOfxStatErrBadHandle);
}

TEST_F(InstanceTest, APersistentMessageStandsUntilTheEffectClearsIt)
{
    auto* messages = hosttest::fetchSuite<OfxMessageSuiteV2>(host, kOfxMessageSuite, 2);
    ASSERT_NE(messages, nullptr);
    void* handle = instance->handle();
    host.clearMessages();
    EXPECT_FALSE(instance->persistentMessage().has_value());
    ASSERT_EQ(messages->setPersistentMessage(handle, kOfxMessageError, "fake.id", "%s at %d",
                                             "failed", 3),
              kOfxStatOK);
    ASSERT_EQ(messages->setPersistentMessage(handle, kOfxMessageWarning, "fake.id", "later"),
              kOfxStatOK);
    const std::optional<ofxhost::Message> standing = instance->persistentMessage();
    ASSERT_TRUE(standing.has_value());
    EXPECT_EQ(standing->text, "later") << "the newest replaces the one before";
    EXPECT_EQ(standing->type, kOfxMessageWarning);
    ASSERT_EQ(host.messages().size(), 2u) << "both recorded";
    EXPECT_EQ(host.messages()[0].text, "failed at 3");
    EXPECT_TRUE(host.messages()[0].persistent);

    EXPECT_EQ(messages->clearPersistentMessage(handle), kOfxStatOK);
    EXPECT_FALSE(instance->persistentMessage().has_value());
    EXPECT_EQ(messages->message(handle, kOfxMessageError, "fake.id", "passing"), kOfxStatOK);
    EXPECT_FALSE(instance->persistentMessage().has_value()) << "a plain message does not stand";

    // Only an instance holds one.
    EXPECT_EQ(messages->setPersistentMessage(nullptr, kOfxMessageError, "x", "y"),
              kOfxStatErrBadHandle);
    EXPECT_EQ(messages->clearPersistentMessage(nullptr), kOfxStatErrBadHandle);
}

} // namespace
