// The dispatcher's promise that every failure becomes a status and nothing is
// thrown across the C boundary, and the load against hosts that lack something.
#include "FakeHost.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

using fakehost::Effect;
using fakehost::Host;
using supporttest::hooks;

namespace {

class SupportEntryTest : public ::testing::Test {
protected:
    void SetUp() override { hooks() = supporttest::Hooks(); }
};

TEST_F(SupportEntryTest, ExceptionsFromThePluginBecomeStatuses)
{
    struct Case {
        const char* what;
        std::function<void()> raise;
        OfxStatus expected;
    };
    const Case cases[] = {
        {"suite error keeps its status", [] { OFX::throwSuiteStatusException(kOfxStatErrValue); },
         kOfxStatErrValue},
        {"replies are not failures", [] { OFX::throwSuiteStatusException(kOfxStatReplyDefault); },
         kOfxStatOK},
        {"a success status thrown is still a failure",
         [] { throw OFX::Exception::Suite(kOfxStatOK); }, kOfxStatFailed},
        {"host inadequate", [] { throw OFX::Exception::HostInadequate("x"); },
         kOfxStatErrMissingHostFeature},
        {"property unknown", [] { throw OFX::Exception::PropertyUnknownToHost("x"); },
         kOfxStatErrMissingHostFeature},
        {"type request", [] { throw OFX::Exception::TypeRequest("x"); }, kOfxStatFailed},
        {"bad_alloc", [] { throw std::bad_alloc(); }, kOfxStatErrMemory},
        {"not an exception class", [] { throw 42; }, kOfxStatFailed},
    };
    Host host;
    ASSERT_EQ(host.load(), kOfxStatOK);
    for (const Case& c : cases) {
        hooks().describe = [&c](OFX::ImageEffectDescriptor&) { c.raise(); };
        Effect desc;
        EXPECT_EQ(host.action(kOfxActionDescribe, &desc), c.expected) << c.what;
    }
}

TEST_F(SupportEntryTest, MalformedCallsGetAStatusNotACrash)
{
    EXPECT_EQ(OfxGetPlugin(1), nullptr);
    EXPECT_EQ(OfxGetPlugin(-1), nullptr);
    Host host;
    ASSERT_EQ(host.load(), kOfxStatOK);
    EXPECT_EQ(host.action(nullptr, nullptr), kOfxStatReplyDefault);
    EXPECT_EQ(host.action(kOfxActionDescribe, nullptr), kOfxStatErrBadHandle);
    EXPECT_EQ(OFX::Private::mainEntryStr(kOfxActionDescribe, nullptr, nullptr, nullptr, nullptr),
              kOfxStatFailed);

    Effect desc;
    EXPECT_EQ(host.action(kOfxImageEffectActionDescribeInContext, &desc), kOfxStatErrBadHandle);
    fakehost::Props in;
    in.defineString(kOfxImageEffectPropContext, {"NoSuchContext"});
    EXPECT_EQ(host.action(kOfxImageEffectActionDescribeInContext, &desc, in.handle()),
              kOfxStatFailed);

    // An instance handle without our instance behind it.
    fakehost::Props noArgs;
    EXPECT_EQ(host.action(kOfxImageEffectActionRender, &host.makeInstanceEffect(), noArgs.handle()),
              kOfxStatErrBadHandle);

    Effect& e = host.makeInstanceEffect();
    ASSERT_EQ(host.action(kOfxActionCreateInstance, &e), kOfxStatOK);
    EXPECT_EQ(host.action(kOfxImageEffectActionRender, &e, nullptr), kOfxStatErrBadHandle);
    EXPECT_EQ(host.action(kOfxImageEffectActionRender, &e, noArgs.handle()),
              kOfxStatErrMissingHostFeature)
        << "a render without a time";
    EXPECT_EQ(host.action(kOfxImageEffectActionIsIdentity, &e, noArgs.handle(), nullptr),
              kOfxStatErrBadHandle);
    EXPECT_EQ(host.action("OfxActionNobodyKnows", &e), kOfxStatReplyDefault);
    EXPECT_EQ(host.action(kOfxActionDestroyInstance, &e), kOfxStatOK);
}

TEST_F(SupportEntryTest, LoadFailsCleanlyOnAHostThatLacksSomething)
{
    {
        Host host;
        host.missingSuites.insert("OfxMultiThreadSuite/1");
        EXPECT_EQ(host.load(), kOfxStatErrMissingHostFeature);
        EXPECT_EQ(OFX::getImageEffectHostDescription(), nullptr);
    }
    {
        Host host;
        host.hostProps.remove(kOfxParamHostPropMaxPages);
        EXPECT_EQ(host.load(), kOfxStatErrMissingHostFeature);
    }
    {
        Host host;
        host.hostProps.defineString(kOfxImageEffectPropSupportedContexts,
                                    {kOfxImageEffectContextFilter, "NoSuchContext"});
        EXPECT_EQ(host.load(), kOfxStatFailed);
    }
    {
        // Nothing of a failed load lingers, and optional suites may be missing.
        Host host;
        host.missingSuites.insert("OfxProgressSuite/1");
        host.hostProps.defineString(kOfxImageEffectPropOpenCLRenderSupported, {"false"});
        ASSERT_EQ(host.load(), kOfxStatOK);
        const OFX::ImageEffectHostDescription* d = OFX::getImageEffectHostDescription();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->hostName, host.hostProps.getString(kOfxPropName));
        EXPECT_TRUE(d->supportsCudaRender);
        EXPECT_FALSE(d->supportsOpenCLRender);
    }
    EXPECT_EQ(OFX::getImageEffectHostDescription(), nullptr) << "unload forgets the host";
}

} // namespace
