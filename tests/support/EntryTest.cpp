// The exported entry points, the load action and the dispatcher's promise that
// every failure becomes a status and nothing is thrown across the C boundary.
#include "FakeHost.h"
#include "TestPlugin.h"

#include <gtest/gtest.h>

#include <cstring>
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

TEST_F(SupportEntryTest, ExportedEntryPointsDescribeOnePluginStably) {
  ASSERT_EQ(OfxGetNumberOfPlugins(), 1);
  EXPECT_EQ(OfxGetNumberOfPlugins(), 1);
  OfxPlugin *p = OfxGetPlugin(0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(OfxGetPlugin(0), p);
  EXPECT_STREQ(p->pluginApi, "OfxImageEffectPluginAPI");
  EXPECT_EQ(p->apiVersion, 1);
  EXPECT_STREQ(p->pluginIdentifier, supporttest::kPluginId);
  EXPECT_EQ(p->pluginVersionMajor, 2u);
  EXPECT_EQ(p->pluginVersionMinor, 3u);
  EXPECT_NE(p->setHost, nullptr);
  EXPECT_NE(p->mainEntry, nullptr);
  // Indexes the host should not ask for give no record rather than garbage.
  EXPECT_EQ(OfxGetPlugin(1), nullptr);
  EXPECT_EQ(OfxGetPlugin(-1), nullptr);
  // The dispatcher finds the factory under id + major + minor, no separator.
  Host host;
  ASSERT_EQ(host.load(), kOfxStatOK);
  Effect desc;
  EXPECT_EQ(OFX::Private::mainEntryStr(kOfxActionDescribe, &desc, nullptr, nullptr, "org.zelk.test.Support23"),
            kOfxStatOK);
  EXPECT_EQ(OFX::Private::mainEntryStr(kOfxActionDescribe, &desc, nullptr, nullptr, "org.zelk.test.Support2.3"),
            kOfxStatFailed);
}

TEST_F(SupportEntryTest, ExceptionsFromThePluginBecomeStatuses) {
  struct Case {
    const char *what;
    std::function<void()> raise;
    OfxStatus expected;
  };
  const Case cases[] = {
      {"suite error keeps its status", [] { OFX::throwSuiteStatusException(kOfxStatErrValue); }, kOfxStatErrValue},
      {"unsupported", [] { OFX::throwSuiteStatusException(kOfxStatErrUnsupported); }, kOfxStatErrUnsupported},
      {"memory status", [] { OFX::throwSuiteStatusException(kOfxStatErrMemory); }, kOfxStatErrMemory},
      {"replies are not failures", [] { OFX::throwSuiteStatusException(kOfxStatReplyDefault); }, kOfxStatOK},
      {"a success status thrown is still a failure", [] { throw OFX::Exception::Suite(kOfxStatOK); },
       kOfxStatFailed},
      {"host inadequate", [] { throw OFX::Exception::HostInadequate("x"); }, kOfxStatErrMissingHostFeature},
      {"property unknown", [] { throw OFX::Exception::PropertyUnknownToHost("x"); },
       kOfxStatErrMissingHostFeature},
      {"illegal value", [] { throw OFX::Exception::PropertyValueIllegalToHost("x"); }, kOfxStatFailed},
      {"type request", [] { throw OFX::Exception::TypeRequest("x"); }, kOfxStatFailed},
      {"bad_alloc", [] { throw std::bad_alloc(); }, kOfxStatErrMemory},
      {"std exception", [] { throw std::runtime_error("x"); }, kOfxStatFailed},
      {"not an exception class", [] { throw 42; }, kOfxStatFailed},
  };
  Host host;
  ASSERT_EQ(host.load(), kOfxStatOK);
  for (const Case &c : cases) {
    hooks().describe = [&c](OFX::ImageEffectDescriptor &) { c.raise(); };
    Effect desc;
    EXPECT_EQ(host.action(kOfxActionDescribe, &desc), c.expected) << c.what;
  }
}

TEST_F(SupportEntryTest, MalformedCallsGetAStatusNotACrash) {
  Host host;
  ASSERT_EQ(host.load(), kOfxStatOK);
  OfxPlugin *p = OfxGetPlugin(0);
  EXPECT_EQ(p->mainEntry(nullptr, nullptr, nullptr, nullptr), kOfxStatReplyDefault);
  EXPECT_EQ(host.action(kOfxActionDescribe, nullptr), kOfxStatErrBadHandle);
  EXPECT_EQ(OFX::Private::mainEntryStr(kOfxActionDescribe, nullptr, nullptr, nullptr, nullptr), kOfxStatFailed);

  Effect desc;
  EXPECT_EQ(host.action(kOfxImageEffectActionDescribeInContext, &desc), kOfxStatErrBadHandle);
  fakehost::Props in;
  in.setString(kOfxImageEffectPropContext, "NoSuchContext");
  EXPECT_EQ(host.action(kOfxImageEffectActionDescribeInContext, &desc, in.handle()), kOfxStatFailed);

  // An instance handle without our instance behind it.
  Effect &stray = host.makeInstanceEffect();
  fakehost::Props args;
  EXPECT_EQ(host.action(kOfxImageEffectActionRender, &stray, args.handle()), kOfxStatErrBadHandle);

  Effect &e = host.makeInstanceEffect();
  ASSERT_EQ(host.action(kOfxActionCreateInstance, &e), kOfxStatOK);
  EXPECT_EQ(host.action(kOfxImageEffectActionRender, &e, nullptr), kOfxStatErrBadHandle);
  EXPECT_EQ(host.action(kOfxImageEffectActionIsIdentity, &e, args.handle(), nullptr), kOfxStatErrBadHandle);
  EXPECT_EQ(host.action("OfxActionNobodyKnows", &e), kOfxStatReplyDefault);
  EXPECT_EQ(host.action(kOfxActionDestroyInstance, &e), kOfxStatOK);
}

TEST_F(SupportEntryTest, LoadRequiresMandatorySuitesAndHostProperties) {
  {
    Host host;
    host.missingSuites.insert("OfxMultiThreadSuite/1");
    EXPECT_EQ(host.load(), kOfxStatErrMissingHostFeature);
    EXPECT_EQ(OFX::getImageEffectHostDescription(), nullptr);
  }
  {
    Host host;
    host.hostProps.values.erase(kOfxParamHostPropMaxPages);
    EXPECT_EQ(host.load(), kOfxStatErrMissingHostFeature);
  }
  {
    Host host;
    host.hostProps.setString(kOfxImageEffectPropSupportedContexts, "NoSuchContext", 1);
    EXPECT_EQ(host.load(), kOfxStatFailed);
  }
  {
    // A failed load leaves nothing behind: the next host loads normally, and
    // optional suites may be missing.
    Host host;
    host.missingSuites.insert("OfxProgressSuite/1");
    host.hostProps.setString(kOfxImageEffectPropCudaRenderSupported, "true");
    ASSERT_EQ(host.load(), kOfxStatOK);
    const OFX::ImageEffectHostDescription *d = OFX::getImageEffectHostDescription();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->hostName, "org.zelk.fakehost");
    EXPECT_TRUE(d->supportsContext(OFX::eContextFilter));
    EXPECT_FALSE(d->supportsContext(OFX::eContextGeneral));
    EXPECT_TRUE(d->supportsCudaRender);
    EXPECT_FALSE(d->supportsOpenCLRender);
  }
  EXPECT_EQ(OFX::getImageEffectHostDescription(), nullptr) << "unload forgets the host";
}

TEST_F(SupportEntryTest, GpuCapabilitiesTolerateAHostThatDoesNotKnowThem) {
  const char *gpuProps[] = {kOfxImageEffectPropOpenCLRenderSupported, kOfxImageEffectPropOpenCLSupported,
                            kOfxImageEffectPropCudaRenderSupported, kOfxImageEffectPropCudaStreamSupported};
  hooks().describe = [](OFX::ImageEffectDescriptor &d) {
    d.setSupportsOpenCLBuffersRender(true);
    d.setSupportsOpenCLImagesRender(false);
    d.setSupportsCudaRender(true);
    d.setSupportsCudaStream(true);
    d.setPluginGrouping("after the GPU setters");
  };
  Host host;
  ASSERT_EQ(host.load(), kOfxStatOK);

  Effect gpuHost;
  ASSERT_EQ(host.action(kOfxActionDescribe, &gpuHost), kOfxStatOK);
  EXPECT_EQ(gpuHost.props.getString(kOfxImageEffectPropOpenCLRenderSupported), "true");
  EXPECT_EQ(gpuHost.props.getString(kOfxImageEffectPropOpenCLSupported), "false");
  EXPECT_EQ(gpuHost.props.getString(kOfxImageEffectPropCudaStreamSupported), "true");
  EXPECT_FALSE(gpuHost.props.has(kOfxImageEffectPropMetalRenderSupported));

  Effect cpuHost;
  for (const char *p : gpuProps)
    cpuHost.props.unknown.insert(p);
  ASSERT_EQ(host.action(kOfxActionDescribe, &cpuHost), kOfxStatOK);
  EXPECT_EQ(cpuHost.props.getString(kOfxImageEffectPluginPropGrouping), "after the GPU setters");

  // Only the GPU setters are lenient: any other unknown property fails describe.
  Effect strictHost;
  strictHost.props.unknown.insert(kOfxImageEffectPluginPropGrouping);
  EXPECT_EQ(host.action(kOfxActionDescribe, &strictHost), kOfxStatErrMissingHostFeature);
}

TEST_F(SupportEntryTest, DescriptorsAppendToNDimensionalProperties) {
  hooks().describe = [](OFX::ImageEffectDescriptor &d) {
    d.addSupportedContext(OFX::eContextFilter);
    d.addSupportedContext(OFX::eContextNone);
    d.addSupportedContext(OFX::eContextGeneral);
    d.addSupportedBitDepth(OFX::eBitDepthFloat);
    OFX::ClipDescriptor *out = d.defineClip(kOfxImageEffectOutputClipName);
    out->addSupportedComponent(OFX::ePixelComponentRGBA);
    out->addSupportedComponent(OFX::ePixelComponentAlpha);
    EXPECT_EQ(d.defineClip(kOfxImageEffectOutputClipName), out);
    OFX::PageParamDescriptor *page = d.definePageParam("Controls");
    OFX::ChoiceParamDescriptor *choice = d.defineChoiceParam("look");
    choice->appendOption("B");
    choice->appendOption("a");
    OFX::DoubleParamDescriptor *amount = d.defineDoubleParam("amount");
    page->addChild(*choice);
    page->addChild(*amount);
    EXPECT_EQ(d.defineDoubleParam("look"), nullptr) << "same name, other type";
    EXPECT_EQ(d.defineChoiceParam("look"), choice);
    EXPECT_EQ(choice->getNOptions(), 2);
  };
  Host host;
  ASSERT_EQ(host.load(), kOfxStatOK);
  Effect desc;
  ASSERT_EQ(host.action(kOfxActionDescribe, &desc), kOfxStatOK);
  const fakehost::Property &contexts = desc.props.values.at(kOfxImageEffectPropSupportedContexts);
  EXPECT_EQ(contexts.s, (std::vector<std::string>{kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral}));
  EXPECT_EQ(desc.clips.at("Output")->props.values.at(kOfxImageEffectPropSupportedComponents).s,
            (std::vector<std::string>{kOfxImageComponentRGBA, kOfxImageComponentAlpha}));
  EXPECT_EQ(desc.params.at("Controls")->props.values.at(kOfxParamPropPageChild).s,
            (std::vector<std::string>{"look", "amount"}));
  EXPECT_EQ(desc.params.at("look")->props.values.at(kOfxParamPropChoiceOption).s,
            (std::vector<std::string>{"B", "a"}));
  EXPECT_FALSE(desc.params.at("look")->props.has(kOfxParamPropChoiceOrder));
  EXPECT_FALSE(desc.params.at("look")->props.has(kOfxParamPropHint));
}

} // namespace
