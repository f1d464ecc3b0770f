// The property suite as a plug-in sees it: statuses, typing, growth, reset; and the host's own
// property set.
#include "HostTestUtil.h"

#include <ofxhost/Host.h>

#include <ofxGPURender.h>
#include <ofxImageEffect.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

const OfxPropertySuiteV1* propertySuite(ofxhost::Host& host) {
    OfxHost* h = host.ofxHost();
    return static_cast<const OfxPropertySuiteV1*>(h->fetchSuite(h->host, kOfxPropertySuite, 1));
}

TEST(PropertySuite, StatusesForUnknownWrongTypeBadIndexAndBadHandle) {
    ofxhost::Host host;
    const OfxPropertySuiteV1* ps = propertySuite(host);
    ASSERT_NE(ps, nullptr);
    ofxhost::PropertySet set(ofxhost::PropertySet::Policy::Open);
    OfxPropertySetHandle h = set.handle();

    int i = 0;
    double d = 0;
    char* s = nullptr;
    void* p = nullptr;
    int dim = -1;
    EXPECT_EQ(ps->propGetInt(h, "Missing", 0, &i), kOfxStatErrUnknown);
    EXPECT_EQ(ps->propGetDimension(h, "Missing", &dim), kOfxStatErrUnknown);
    EXPECT_EQ(ps->propReset(h, "Missing"), kOfxStatErrUnknown);

    ASSERT_EQ(ps->propSetInt(h, "Count", 0, 7), kOfxStatOK);
    EXPECT_EQ(ps->propGetDouble(h, "Count", 0, &d), kOfxStatErrValue) << "int read as double";
    EXPECT_EQ(ps->propGetString(h, "Count", 0, &s), kOfxStatErrValue);
    EXPECT_EQ(ps->propGetPointer(h, "Count", 0, &p), kOfxStatErrValue);
    EXPECT_EQ(ps->propSetDouble(h, "Count", 0, 1.5), kOfxStatErrValue) << "a write may not change the type";
    EXPECT_EQ(ps->propSetString(h, "Text", 0, nullptr), kOfxStatErrValue);
    EXPECT_EQ(ps->propGetInt(h, "Count", 0, nullptr), kOfxStatErrValue);
    EXPECT_EQ(ps->propGetInt(h, "Count", 0, &i), kOfxStatOK);
    EXPECT_EQ(i, 7);

    EXPECT_EQ(ps->propGetInt(h, "Count", 1, &i), kOfxStatErrBadIndex);
    EXPECT_EQ(ps->propGetInt(h, "Count", -1, &i), kOfxStatErrBadIndex);
    EXPECT_EQ(ps->propSetInt(h, "Count", 2, 9), kOfxStatErrBadIndex) << "a write may not leave a gap";
    EXPECT_EQ(ps->propSetInt(h, "Count", -1, 9), kOfxStatErrBadIndex);
    int four[4] = {};
    EXPECT_EQ(ps->propGetIntN(h, "Count", 2, four), kOfxStatErrBadIndex);

    set.defineInt("Fixed", {1, 2}, 2);
    EXPECT_EQ(ps->propSetInt(h, "Fixed", 1, 5), kOfxStatOK);
    EXPECT_EQ(ps->propSetInt(h, "Fixed", 2, 5), kOfxStatErrBadIndex) << "fixed dimension";

    EXPECT_EQ(ps->propGetInt(nullptr, "Count", 0, &i), kOfxStatErrBadHandle);
    std::uint32_t notASet[16] = {0x12345678u};
    EXPECT_EQ(ps->propGetInt(reinterpret_cast<OfxPropertySetHandle>(notASet), "Count", 0, &i), kOfxStatErrBadHandle);
    EXPECT_EQ(ps->propSetInt(reinterpret_cast<OfxPropertySetHandle>(notASet), "Count", 0, 1), kOfxStatErrBadHandle);
}

TEST(PropertySuite, GrowsOnAppendAndResetsToTheDefault) {
    ofxhost::Host host;
    const OfxPropertySuiteV1* ps = propertySuite(host);
    ofxhost::PropertySet set(ofxhost::PropertySet::Policy::Open);
    OfxPropertySetHandle h = set.handle();

    // The support layer appends to N-dimensional properties by writing at index == dimension.
    set.defineString("Contexts", {});
    int dim = -1;
    ASSERT_EQ(ps->propGetDimension(h, "Contexts", &dim), kOfxStatOK);
    EXPECT_EQ(dim, 0);
    for (int k = 0; k < 3; ++k)
        ASSERT_EQ(ps->propSetString(h, "Contexts", k, ("c" + std::to_string(k)).c_str()), kOfxStatOK);
    ps->propGetDimension(h, "Contexts", &dim);
    EXPECT_EQ(dim, 3);
    char* got[3] = {};
    ASSERT_EQ(ps->propGetStringN(h, "Contexts", 3, got), kOfxStatOK);
    EXPECT_STREQ(got[0], "c0");
    EXPECT_STREQ(got[2], "c2");
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
    int seen = 0;
    ps->propSetPointer(h, "Ptr", 0, &seen);
    void* ptr = nullptr;
    ps->propGetPointer(h, "Ptr", 0, &ptr);
    EXPECT_EQ(ptr, &seen);
}

TEST(PropertySuite, ClosedSetsTakeOnlyKnownNamesAndRefusedNamesStayUnknown) {
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

    ofxhost::PropertySet open(ofxhost::PropertySet::Policy::Open);
    open.refuse("Gpu");
    EXPECT_EQ(ps->propSetString(open.handle(), "Gpu", 0, "true"), kOfxStatErrUnknown);
    EXPECT_FALSE(open.has("Gpu"));
    EXPECT_THROW(open.getString("Gpu"), ofxhost::Error);
}

TEST(HostProperties, CarryWhatTheSupportLayerRequiresAndGpuOnlyWhenAsked) {
    const char* required[] = {
        kOfxPropName, kOfxPropLabel, kOfxImageEffectHostPropIsBackground, kOfxImageEffectPropSupportsOverlays,
        kOfxImageEffectPropSupportsMultiResolution, kOfxImageEffectPropSupportsTiles,
        kOfxImageEffectPropTemporalClipAccess, kOfxImageEffectPropSupportsMultipleClipDepths,
        kOfxImageEffectPropSupportsMultipleClipPARs, kOfxImageEffectPropSetableFrameRate,
        kOfxImageEffectPropSetableFielding, kOfxParamHostPropSupportsStringAnimation,
        kOfxParamHostPropSupportsCustomInteract, kOfxParamHostPropSupportsChoiceAnimation,
        kOfxParamHostPropSupportsBooleanAnimation, kOfxParamHostPropSupportsCustomAnimation,
        kOfxParamHostPropMaxParameters, kOfxParamHostPropMaxPages, kOfxImageEffectPropSupportedComponents,
        kOfxImageEffectPropSupportedContexts, kOfxImageEffectPropSupportedPixelDepths};
    const char* gpu[] = {kOfxImageEffectPropOpenCLRenderSupported, kOfxImageEffectPropCudaRenderSupported,
                         kOfxImageEffectPropCudaStreamSupported};

    ofxhost::Host withGpu;
    const auto& p = withGpu.hostProperties();
    for (const char* name : required) EXPECT_GE(p.dimension(name), 1) << name;
    EXPECT_EQ(p.dimension(kOfxParamHostPropPageRowColumnCount), 2);
    EXPECT_EQ(p.getString(kOfxPropType), kOfxTypeImageEffectHost);
    EXPECT_EQ(p.getString(kOfxImageEffectPropSupportedPixelDepths, 0), kOfxBitDepthFloat);
    for (const char* name : gpu) EXPECT_EQ(p.getString(name), "true") << name;

    ofxhost::HostOptions options;
    options.gpuProperties = false;
    ofxhost::Host withoutGpu(options);
    for (const char* name : gpu) EXPECT_FALSE(withoutGpu.hostProperties().has(name)) << name;
    EXPECT_FALSE(withoutGpu.hostProperties().has(kOfxImageEffectPropMetalRenderSupported));

    // Suites: the mandatory ones by name and version, nothing for an unknown one.
    OfxHost* h = withGpu.ofxHost();
    for (const char* suite : {kOfxPropertySuite, kOfxImageEffectSuite, kOfxParameterSuite, kOfxMemorySuite,
                              kOfxMultiThreadSuite, kOfxMessageSuite})
        EXPECT_NE(h->fetchSuite(h->host, suite, 1), nullptr) << suite;
    EXPECT_NE(h->fetchSuite(h->host, kOfxMessageSuite, 2), nullptr);
    EXPECT_EQ(h->fetchSuite(h->host, kOfxPropertySuite, 2), nullptr);
    EXPECT_EQ(h->fetchSuite(h->host, "OfxInteractSuite", 1), nullptr);
    EXPECT_EQ(h->fetchSuite(h->host, kOfxPropertySuite, 1), h->fetchSuite(h->host, kOfxPropertySuite, 1));
}

}  // namespace
