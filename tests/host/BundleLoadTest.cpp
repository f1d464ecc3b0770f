// Finding and loading bundles, and what the host keeps of the description.
#include "HostTestUtil.h"

#include <ofxhost/Describe.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using hosttest::bundle;
using hosttest::errorOf;
using hosttest::ScopedEnv;
using hosttest::TempDir;

namespace {

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(BundleSearch, ExplicitThenPluginPathInOrderThenTheDefaultDirectory)
{
    TempDir empty, first, fallback;
    for (const TempDir* dir : {&first, &fallback})
        fs::create_directory_symlink(bundle("FakeGain"), dir->path + "/FakeGain.ofx.bundle");
    fs::create_directory(fallback.path + "/Other.ofx.bundle");
    fs::create_directory(fallback.path + "/NotABundle");
    ofxhost::HostOptions options;
    options.defaultPluginDir = fallback.path;
    {
        // Empty entries are skipped; the first directory that has the bundle wins.
        ScopedEnv env("OFX_PLUGIN_PATH", ("::" + empty.path + ":" + first.path).c_str());
        ofxhost::Host host(options);
        EXPECT_EQ(host.findBundle("FakeGain"), first.path + "/FakeGain.ofx.bundle");
        EXPECT_EQ(host.findAllBundles(),
                  (std::vector<std::string>{first.path + "/FakeGain.ofx.bundle",
                                            fallback.path + "/FakeGain.ofx.bundle",
                                            fallback.path + "/Other.ofx.bundle"}));
    }
    ScopedEnv env("OFX_PLUGIN_PATH", nullptr);
    ofxhost::Host host(options);
    EXPECT_EQ(host.findBundle("FakeGain"), fallback.path + "/FakeGain.ofx.bundle");
    const std::string missing = errorOf([&] { host.findBundle("Nowhere"); });
    EXPECT_TRUE(has(missing, "Nowhere.ofx.bundle") && has(missing, fallback.path)) << missing;
    EXPECT_EQ(host.loadBundle(bundle("FakeGain") + "/").path(), bundle("FakeGain"));
}

TEST(BundleLoad, ReportsDlerrorAndMalformedBundlesClearly)
{
    TempDir dir;
    const fs::path binDir = fs::path(dir.path) / "Broken.ofx.bundle/Contents/Linux-x86-64";
    fs::create_directories(binDir);
    std::ofstream((binDir / "Broken.ofx").string()) << "this is not a shared object\n";
    dlerror();
    ASSERT_EQ(dlopen((binDir / "Broken.ofx").c_str(), RTLD_NOW), nullptr);
    const std::string expected = dlerror();

    ofxhost::Host host;
    const std::string error = errorOf([&] { host.loadBundle(dir.path + "/Broken.ofx.bundle"); });
    EXPECT_TRUE(has(error, expected)) << error;
    fs::create_directories(dir.path + "/Empty.ofx.bundle");
    for (const char* bad : {"/Empty.ofx.bundle", "", "/Missing.ofx.bundle"})
        EXPECT_THROW(host.loadBundle(dir.path + bad), ofxhost::Error) << bad;
    EXPECT_TRUE(host.bundles().empty()) << "failed loads keep nothing";
}

TEST(BundleLoad, DescribesInEachSharedContextAndCreatesInThoseOnly)
{
    ofxhost::Host host;
    ofxhost::Bundle& fake = host.loadBundle(bundle("FakeGain"));
    ASSERT_EQ(fake.effects().size(), 1u) << "the plug-in of another API is skipped";
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
    EXPECT_THROW(effect->createInstance(kOfxImageEffectContextPaint), ofxhost::Error);
    {
        ScopedEnv fail("FAKE_FAIL_CREATE", "1");
        try {
            effect->createInstance();
            ADD_FAILURE() << "creation should fail";
        } catch (const ofxhost::Error& e) {
            EXPECT_EQ(e.status(), kOfxStatErrMemory);
            EXPECT_TRUE(has(e.what(), "kOfxStatErrMemory")) << e.what();
        }
    }

    std::ostringstream text;
    ofxhost::printDescription(text, fake);
    for (const char* expected :
         {"effect org.zelk.test.FakeGain version 2.7", "OpenCL buffers: \"true\"", "Metal: absent",
          "range: 0 to 4", "hint: \"Multiplies the source\"", "[2] \"Best\"",
          "children: \"gain\", \"mode\""})
        EXPECT_TRUE(has(text.str(), expected)) << expected << " in\n" << text.str();
}

// The binary keeps the OfxHost of the newest Host that loaded it; that pointer must stay good
// after that Host is gone while an older one still renders.
TEST(BundleLoad, AnOlderHostRendersAfterANewerOneOfTheSameBinaryIsGone)
{
    ofxhost::Host older;
    auto instance = older.loadBundle(bundle("FakeGain")).effects().at(0)->createInstance();
    ofxhost::Host().loadBundle(bundle("FakeGain")); // a newer host, gone at once
    hosttest::Pixels src(3, 3, 2.0f), dst(3, 3);
    instance->setClipImage("Source", src.desc());
    instance->setClipImage("Output", dst.desc());
    instance->setParam("gain", 1.5);
    EXPECT_EQ(instance->render(0, OfxRectI{0, 0, 3, 3}), kOfxStatOK);
    EXPECT_EQ(dst.at(2, 2, 0), 3.0f);
}

// One effect that cannot be used leaves the others of its bundle usable; each skip says why,
// naming what the host lacks. (ofx-render's messages for them: OfxRenderAnyEffect.)
TEST(BundleLoad, EffectsThatFailAreSkippedWithTheReasonAndTheRestStayUsable)
{
    ofxhost::HostOptions options;
    options.displayName = "the test host";
    ofxhost::Host host(options);
    ofxhost::Bundle& partly = host.loadBundle(bundle("Partly"));
    std::vector<std::string> usable;
    for (const ofxhost::Effect* e : partly.effects())
        usable.push_back(e->identifier());
    EXPECT_EQ(usable, (std::vector<std::string>{"org.zelk.test.Copy", "org.zelk.test.FilterOnly"}));
    ASSERT_EQ(partly.skipped().size(), 2u);
    EXPECT_EQ(partly.skipped()[0].identifier, "org.zelk.test.LoadFails");
    EXPECT_TRUE(has(partly.skipped()[0].reason, "OfxActionLoad failed with kOfxStatFailed"))
        << partly.skipped()[0].reason;
    EXPECT_TRUE(has(partly.skipped()[1].reason, "needs the draw suite (on-screen controls), "
                                                "which the test host does not provide"))
        << partly.skipped()[1].reason;

    // The context that needs a missing suite is left out, with a warning; the other is kept.
    EXPECT_EQ(partly.effect("org.zelk.test.FilterOnly")->contexts(),
              std::vector<std::string>{kOfxImageEffectContextFilter});
    std::string warnings;
    for (const ofxhost::Message& m : host.messages())
        warnings += m.type == kOfxMessageWarning ? m.text + "\n" : "";
    EXPECT_TRUE(has(warnings, "FilterOnly 1.0: leaving out a context") &&
                has(warnings, "the suite \"OfxImageEffectPlaneSuite\" version 2"))
        << warnings;

    auto copy = partly.effect("org.zelk.test.Copy")->createInstance();
    hosttest::Pixels src(2, 2, 0.5f);
    copy->connectClip("Source", src.input());
    EXPECT_EQ(hosttest::sample(copy->renderFrame(0), 1, 1, 2), 0.5f);
    std::ostringstream text;
    ofxhost::printDescription(text, partly);
    EXPECT_TRUE(has(text.str(), "skipped effect org.zelk.test.NeedsDraw version 1.0: "))
        << text.str();
}

TEST(BundleLoad, VersionsArePickedAndDescriptionsKeepToOneLine)
{
    ofxhost::Host host;
    ofxhost::Bundle& features = host.loadBundle(bundle("HostFeatures"));
    const std::string id = "org.zelk.test.Invert";
    ASSERT_NE(features.effect(id), nullptr);
    EXPECT_EQ(features.effect(id)->versionMajor(), 2u) << "the highest version by default";
    EXPECT_EQ(features.effect(id, 1)->versionMajor(), 1u);
    EXPECT_EQ(features.effect(id, 2, 3)->versionMinor(), 3u);
    EXPECT_EQ(features.effect(id, 2, 0), nullptr);
    EXPECT_EQ(host.effect(id)->versionMajor(), 2u);

    std::ostringstream text;
    ofxhost::printDescription(text, *features.effect(id));
    EXPECT_TRUE(has(text.str(), "  description: \"Inverts colour and alpha.\\nSecond "
                                "line:\\t\\\"quoted\\\"\\x01\"\n"))
        << text.str();
}

} // namespace
