// The property suite as a plug-in sees it: statuses, typing, growth, reset; and what the host
// offers.
#include "HostTestUtil.h"

#include <ofxhost/Host.h>

#include <ofxGPURender.h>
#include <ofxImageEffect.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

const OfxPropertySuiteV1* propertySuite(ofxhost::Host& host)
{
    return hosttest::fetchSuite<OfxPropertySuiteV1>(host, kOfxPropertySuite);
}

TEST(PropertySuite, StatusesForUnknownWrongTypeBadIndexAndBadHandle)
{
    ofxhost::Host host;
    const OfxPropertySuiteV1* ps = propertySuite(host);
    ASSERT_NE(ps, nullptr);
    ofxhost::PropertySet set(ofxhost::PropertySet::Policy::Open);
    OfxPropertySetHandle h = set.handle();

    int i = 0;
    double d = 0;
    int dim = -1;
    EXPECT_EQ(ps->propGetInt(h, "Missing", 0, &i), kOfxStatErrUnknown);
    EXPECT_EQ(ps->propGetDimension(h, "Missing", &dim), kOfxStatErrUnknown);
    EXPECT_EQ(ps->propReset(h, "Missing"), kOfxStatErrUnknown);

    ASSERT_EQ(ps->propSetInt(h, "Count", 0, 7), kOfxStatOK);
    EXPECT_EQ(ps->propGetDouble(h, "Count", 0, &d), kOfxStatErrValue) << "int read as double";
    EXPECT_EQ(ps->propSetDouble(h, "Count", 0, 1.5), kOfxStatErrValue)
        << "a write may not change the type";
    EXPECT_EQ(ps->propSetString(h, "Text", 0, nullptr), kOfxStatErrValue);
    EXPECT_EQ(ps->propGetInt(h, "Count", 0, nullptr), kOfxStatErrValue);
    EXPECT_EQ(ps->propGetInt(h, "Count", 0, &i), kOfxStatOK);
    EXPECT_EQ(i, 7);

    EXPECT_EQ(ps->propGetInt(h, "Count", 1, &i), kOfxStatErrBadIndex);
    EXPECT_EQ(ps->propGetInt(h, "Count", -1, &i), kOfxStatErrBadIndex);
    EXPECT_EQ(ps->propSetInt(h, "Count", 2, 9), kOfxStatErrBadIndex)
        << "a write may not leave a gap";
    int four[4] = {};
    EXPECT_EQ(ps->propGetIntN(h, "Count", 2, four), kOfxStatErrBadIndex);

    set.defineInt("Fixed", {1, 2}, 2);
    EXPECT_EQ(ps->propSetInt(h, "Fixed", 1, 5), kOfxStatOK);
    EXPECT_EQ(ps->propSetInt(h, "Fixed", 2, 5), kOfxStatErrBadIndex) << "fixed dimension";

    EXPECT_EQ(ps->propGetInt(nullptr, "Count", 0, &i), kOfxStatErrBadHandle);
    std::uint32_t notASet[16] = {0x12345678u};
    EXPECT_EQ(ps->propGetInt(reinterpret_cast<OfxPropertySetHandle>(notASet), "Count", 0, &i),
              kOfxStatErrBadHandle);
    EXPECT_EQ(ps->propSetInt(reinterpret_cast<OfxPropertySetHandle>(notASet), "Count", 0, 1),
              kOfxStatErrBadHandle);
}

TEST(PropertySuite, GrowsOnAppendAndResetsToTheDefault)
{
    ofxhost::Host host;
    const OfxPropertySuiteV1* ps = propertySuite(host);
    ofxhost::PropertySet set(ofxhost::PropertySet::Policy::Open);
    OfxPropertySetHandle h = set.handle();

    // Appending by writing at index == dimension is what every describe of a real bundle does.
    set.defineString("Contexts", {});
    for (int k = 0; k < 3; ++k)
        ASSERT_EQ(ps->propSetString(h, "Contexts", k, "c"), kOfxStatOK);
    int dim = -1;
    EXPECT_EQ(ps->propReset(h, "Contexts"), kOfxStatOK);
    ps->propGetDimension(h, "Contexts", &dim);
    EXPECT_EQ(dim, 0) << "reset returns to the host's default, here empty";

    set.defineDouble("Scale", {1.0, 1.0}, 2);
    const double half[2] = {0.5, 0.25};
    ASSERT_EQ(ps->propSetDoubleN(h, "Scale", 2, half), kOfxStatOK);
    double back[2] = {};
    ASSERT_EQ(ps->propGetDoubleN(h, "Scale", 2, back), kOfxStatOK);
    EXPECT_EQ(back[1], 0.25);
    ps->propReset(h, "Scale");
    ps->propGetDoubleN(h, "Scale", 2, back);
    EXPECT_EQ(back[0], 1.0);
    EXPECT_EQ(back[1], 1.0);

    const int values[3] = {4, 5, 6};
    ASSERT_EQ(ps->propSetIntN(h, "Made", 3, values), kOfxStatOK) << "an open set takes new names";
    EXPECT_EQ(set.getInts("Made"), (std::vector<int>{4, 5, 6}));
}

TEST(PropertySuite, ClosedSetsTakeOnlyKnownOrAcceptedNames)
{
    ofxhost::Host host;
    const OfxPropertySuiteV1* ps = propertySuite(host);
    ofxhost::PropertySet closed(ofxhost::PropertySet::Policy::Closed);
    closed.defineInt("Known", {0}, 1);
    closed.accept("Later", ofxhost::PropType::String);
    EXPECT_EQ(ps->propSetInt(closed.handle(), "Other", 0, 1), kOfxStatErrUnknown);
    EXPECT_EQ(ps->propSetInt(closed.handle(), "Known", 0, 1), kOfxStatOK);
    EXPECT_FALSE(closed.has("Later"));
    EXPECT_EQ(ps->propSetInt(closed.handle(), "Later", 0, 1), kOfxStatErrValue);
    EXPECT_EQ(ps->propSetString(closed.handle(), "Later", 0, "x"), kOfxStatOK);
    EXPECT_EQ(closed.getString("Later"), "x");
}

// What the support layer requires of a host every load of a real bundle shows; here what only a
// host without GPU support differs in, and the suites on offer.
TEST(HostProperties, GpuCapabilitiesAndArgumentsOnlyWhenAskedAndEverySuiteByVersion)
{
    const char* gpu[] = {kOfxImageEffectPropOpenCLRenderSupported,
                         kOfxImageEffectPropCudaRenderSupported,
                         kOfxImageEffectPropCudaStreamSupported};
    ofxhost::Host withGpu;
    for (const char* name : gpu)
        EXPECT_EQ(withGpu.hostProperties().getString(name), "true") << name;
    ofxhost::HostOptions options;
    options.gpuProperties = false;
    ofxhost::Host withoutGpu(options);
    for (const char* name : gpu)
        EXPECT_FALSE(withoutGpu.hostProperties().has(name)) << name;
    EXPECT_FALSE(withoutGpu.hostProperties().has(kOfxImageEffectPropMetalRenderSupported));
    // Nor are GPU arguments sent, and a GPU render is refused.
    auto instance = withoutGpu.loadBundle(hosttest::fakeBundle()).effects().at(0)->createInstance();
    hosttest::Pixels src(4, 2, 1.0f), dst(4, 2);
    instance->setClipImage("Source", src.desc());
    instance->setClipImage("Output", dst.desc());
    EXPECT_EQ(instance->render(0, OfxRectI{0, 0, 4, 2}), kOfxStatOK);
    EXPECT_EQ(
        instance->properties().getInt(std::string("seen ") + kOfxImageEffectPropOpenCLEnabled), -1);
    ofxhost::GpuRenderArgs cuda;
    cuda.cuda = true;
    EXPECT_THROW(instance->render(0, OfxRectI{0, 0, 4, 2}, cuda), ofxhost::Error);

    // Suites by name and version (the mandatory ones every load shows), nothing for an unknown one.
    OfxHost* h = withGpu.ofxHost();
    EXPECT_NE(h->fetchSuite(h->host, kOfxMessageSuite, 2), nullptr);
    EXPECT_EQ(h->fetchSuite(h->host, kOfxPropertySuite, 2), nullptr);
    EXPECT_EQ(h->fetchSuite(h->host, "OfxInteractSuite", 1), nullptr);
    EXPECT_EQ(h->fetchSuite(h->host, kOfxPropertySuite, 1),
              h->fetchSuite(h->host, kOfxPropertySuite, 1));
}

} // namespace
