// Finding and loading bundles, and what the host keeps of the description.
#include "HostTestUtil.h"

#include <ofxhost/Describe.h>
#include <ofxhost/Host.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using hosttest::ScopedEnv;
using hosttest::TempDir;

namespace {

void linkFakeBundleInto(const std::string& dir)
{
    fs::create_directory_symlink(hosttest::fakeBundle(), fs::path(dir) / "FakeGain.ofx.bundle");
}

TEST(BundleSearch, ExplicitThenPluginPathInOrderThenTheDefaultDirectory)
{
    TempDir empty, first, fallback;
    linkFakeBundleInto(first.path());
    linkFakeBundleInto(fallback.path());
    fs::create_directory(fs::path(fallback.path()) / "Other.ofx.bundle");
    fs::create_directory(fs::path(fallback.path()) / "NotABundle");
    ofxhost::HostOptions options;
    options.defaultPluginDir = fallback.path();

    {
        // Empty entries are skipped; the first directory that has the bundle wins.
        ScopedEnv env("OFX_PLUGIN_PATH", ("::" + empty.path() + ":" + first.path()).c_str());
        ofxhost::Host host(options);
        EXPECT_EQ(host.findBundle("FakeGain"), first.path() + "/FakeGain.ofx.bundle");
        EXPECT_EQ(host.findAllBundles(),
                  (std::vector<std::string>{first.path() + "/FakeGain.ofx.bundle",
                                            fallback.path() + "/FakeGain.ofx.bundle",
                                            fallback.path() + "/Other.ofx.bundle"}));
    }
    {
        ScopedEnv env("OFX_PLUGIN_PATH", nullptr);
        ofxhost::Host host(options);
        EXPECT_EQ(host.findBundle("FakeGain"), fallback.path() + "/FakeGain.ofx.bundle");
        const std::string missing = hosttest::errorOf([&] { host.findBundle("Nowhere"); });
        EXPECT_NE(missing.find("Nowhere.ofx.bundle"), std::string::npos) << missing;
        EXPECT_NE(missing.find(fallback.path()), std::string::npos)
            << "lists where it looked: " << missing;
        // An explicit path needs no search at all.
        EXPECT_EQ(host.loadBundle(hosttest::fakeBundle() + "/").path(), hosttest::fakeBundle());
    }
}

TEST(BundleLoad, ReportsDlerrorAndMalformedBundlesClearly)
{
    TempDir dir;
    const fs::path binDir =
        fs::path(dir.path()) / "Broken.ofx.bundle" / "Contents" / "Linux-x86-64";
    fs::create_directories(binDir);
    const std::string binary = (binDir / "Broken.ofx").string();
    std::ofstream(binary) << "this is not a shared object\n";
    dlerror();
    ASSERT_EQ(dlopen(binary.c_str(), RTLD_NOW), nullptr);
    const std::string expected = dlerror();

    ofxhost::Host host;
    const std::string error =
        hosttest::errorOf([&] { host.loadBundle(dir.path() + "/Broken.ofx.bundle"); });
    EXPECT_NE(error.find(expected), std::string::npos) << error;
    fs::create_directories(fs::path(dir.path()) / "Empty.ofx.bundle");
    EXPECT_THROW(host.loadBundle(dir.path() + "/Empty.ofx.bundle"), ofxhost::Error) << "no binary";
    EXPECT_THROW(host.loadBundle(dir.path()), ofxhost::Error) << "not a bundle name";
    EXPECT_THROW(host.loadBundle(dir.path() + "/Missing.ofx.bundle"), ofxhost::Error);
    EXPECT_TRUE(host.bundles().empty()) << "failed loads keep nothing";
}

TEST(BundleLoad, DescribesInEachSharedContextAndCreatesInThoseOnly)
{
    ofxhost::Host host;
    ofxhost::Bundle& bundle = host.loadBundle(hosttest::fakeBundle());
    ASSERT_EQ(bundle.effects().size(), 1u) << "the plug-in of another API is skipped";
    EXPECT_FALSE(host.messages().empty()) << "the skip is reported";
    ofxhost::Effect* effect = host.effect("org.zelk.test.FakeGain");
    ASSERT_NE(effect, nullptr);

    // The effect lists paint too, which this host does not offer.
    EXPECT_EQ(effect->contexts(), (std::vector<std::string>{kOfxImageEffectContextFilter,
                                                            kOfxImageEffectContextGeneral}));
    for (const auto& context : effect->contexts())
        EXPECT_EQ(
            effect->contextDescriptor(context)->properties().getString("FakeDescribedContext"),
            context)
            << "each context has its own descriptor";
    EXPECT_EQ(effect->contextDescriptor(kOfxImageEffectContextPaint), nullptr);
    EXPECT_THROW(effect->createInstance(kOfxImageEffectContextPaint), ofxhost::Error);
    {
        // The effect fails its creation on request: the error names the status.
        ScopedEnv fail("FAKE_FAIL_CREATE", "1");
        try {
            effect->createInstance();
            ADD_FAILURE() << "creation should fail";
        } catch (const ofxhost::Error& e) {
            EXPECT_EQ(e.status(), kOfxStatErrMemory);
            EXPECT_NE(std::string(e.what()).find("kOfxStatErrMemory"), std::string::npos)
                << e.what();
        }
    }

    std::ostringstream text;
    ofxhost::printDescription(text, bundle);
    const std::string out = text.str();
    for (const char* expected :
         {"effect org.zelk.test.FakeGain version 2.7", "label: \"Fake Gain\"",
          "OpenCL buffers: \"true\"", "CUDA: \"false\"", "Metal: absent",
          "param \"gain\" OfxParamTypeDouble", "range: 0 to 4", "hint: \"Multiplies the source\"",
          "[2] \"Best\"", "children: \"gain\", \"mode\"", "clip \"Source\""})
        EXPECT_NE(out.find(expected), std::string::npos) << "missing \"" << expected << "\" in\n"
                                                         << out;
}

// The binary keeps the OfxHost of the newest Host that loaded it; that pointer must stay good
// after that Host is gone while an older one still renders.
TEST(BundleLoad, AnOlderHostRendersAfterANewerOneOfTheSameBinaryIsGone)
{
    ofxhost::Host older;
    auto instance = older.loadBundle(hosttest::fakeBundle()).effects().at(0)->createInstance();
    {
        ofxhost::Host newer;
        newer.loadBundle(hosttest::fakeBundle());
    }
    hosttest::Pixels src(3, 3, 2.0f), dst(3, 3);
    instance->setClipImage("Source", src.desc());
    instance->setClipImage("Output", dst.desc());
    instance->setParam("gain", 1.5);
    EXPECT_EQ(instance->render(0, OfxRectI{0, 0, 3, 3}), kOfxStatOK);
    EXPECT_EQ(dst.at(2, 2, 0), 3.0f);
}

// One effect that cannot be used leaves the others of its bundle usable; each skip says why,
// naming what the host lacks.
TEST(BundleLoad, EffectsThatFailAreSkippedWithTheReasonAndTheRestStayUsable)
{
    ofxhost::HostOptions options;
    options.displayName = "the test host";
    ofxhost::Host host(options);
    ofxhost::Bundle& bundle = host.loadBundle(hosttest::partlyBundle());
    std::vector<std::string> usable;
    for (const ofxhost::Effect* e : bundle.effects())
        usable.push_back(e->identifier());
    EXPECT_EQ(usable, (std::vector<std::string>{"org.zelk.test.Copy", "org.zelk.test.FilterOnly"}));

    ASSERT_EQ(bundle.skipped().size(), 2u);
    EXPECT_EQ(bundle.skipped()[0].identifier, "org.zelk.test.LoadFails");
    EXPECT_NE(bundle.skipped()[0].reason.find("OfxActionLoad failed with kOfxStatFailed"),
              std::string::npos)
        << bundle.skipped()[0].reason;
    EXPECT_NE(
        bundle.skipped()[1].reason.find(
            "needs the draw suite (on-screen controls), which the test host does not provide"),
        std::string::npos)
        << bundle.skipped()[1].reason;

    // The context that needs a missing suite is left out; the other one is kept.
    const ofxhost::Effect* partial = bundle.effect("org.zelk.test.FilterOnly");
    EXPECT_EQ(partial->contexts(), std::vector<std::string>{kOfxImageEffectContextFilter});
    std::string warnings;
    for (const ofxhost::Message& m : host.messages())
        if (m.type == kOfxMessageWarning)
            warnings += m.text + "\n";
    for (const char* named : {"org.zelk.test.LoadFails", "org.zelk.test.NeedsDraw",
                              "FilterOnly 1.0: leaving out a context",
                              "the suite \"OfxImageEffectPlaneSuite\" version 2"})
        EXPECT_NE(warnings.find(named), std::string::npos) << named << " in\n" << warnings;

    auto copy = bundle.effect("org.zelk.test.Copy")->createInstance();
    hosttest::Pixels src(2, 2, 0.5f);
    copy->connectClip("Source", src.input());
    EXPECT_EQ(hosttest::sample(copy->renderFrame(0), 1, 1, 2), 0.5f);

    std::ostringstream text;
    ofxhost::printDescription(text, bundle);
    EXPECT_NE(text.str().find("skipped effect org.zelk.test.NeedsDraw version 1.0: "),
              std::string::npos)
        << text.str();
}

TEST(BundleLoad, VersionsArePickedAndDescriptionsKeepToOneLine)
{
    ofxhost::Host host;
    ofxhost::Bundle& bundle = host.loadBundle(hosttest::featuresBundle());
    const std::string id = "org.zelk.test.Invert";
    ASSERT_NE(bundle.effect(id), nullptr);
    EXPECT_EQ(bundle.effect(id)->versionMajor(), 2u) << "the highest version by default";
    EXPECT_EQ(bundle.effect(id, 1)->versionMajor(), 1u);
    EXPECT_EQ(bundle.effect(id, 2, 3)->versionMinor(), 3u);
    EXPECT_EQ(bundle.effect(id, 2, 0), nullptr);
    EXPECT_EQ(host.effect(id)->versionMajor(), 2u);

    std::ostringstream text;
    ofxhost::printDescription(text, *bundle.effect(id));
    EXPECT_NE(
        text.str().find(
            "  description: \"Inverts colour and alpha.\\nSecond line:\\t\\\"quoted\\\"\\x01\"\n"),
        std::string::npos)
        << text.str();
}

} // namespace
