// The property suite as a plug-in sees it: statuses, typing, growth, reset; and the suites the
// host offers.
#include "HostTestUtil.h"

#include <cstdint>

namespace {

class PropertySuite : public ::testing::Test {
protected:
    ofxhost::Host host;
    const OfxPropertySuiteV1* ps =
        hosttest::fetchSuite<OfxPropertySuiteV1>(host, kOfxPropertySuite);
    ofxhost::PropertySet set{ofxhost::PropertySet::Policy::Open};
    OfxPropertySetHandle h = set.handle();
};

TEST_F(PropertySuite, StatusesForUnknownWrongTypeBadIndexAndBadHandle)
{
    int i = 0, dim = -1;
    double d = 0;
    EXPECT_EQ(ps->propGetInt(h, "Missing", 0, &i), kOfxStatErrUnknown);
    EXPECT_EQ(ps->propGetDimension(h, "Missing", &dim), kOfxStatErrUnknown);
    EXPECT_EQ(ps->propReset(h, "Missing"), kOfxStatErrUnknown);

    ASSERT_EQ(ps->propSetInt(h, "Count", 0, 7), kOfxStatOK);
    EXPECT_EQ(ps->propGetDouble(h, "Count", 0, &d), kOfxStatErrValue) << "int read as double";
    EXPECT_EQ(ps->propSetDouble(h, "Count", 0, 1.5), kOfxStatErrValue) << "a write keeps the type";
    EXPECT_EQ(ps->propSetString(h, "Text", 0, nullptr), kOfxStatErrValue);
    EXPECT_EQ(ps->propGetInt(h, "Count", 0, nullptr), kOfxStatErrValue);
    EXPECT_EQ(ps->propGetInt(h, "Count", -1, &i), kOfxStatErrBadIndex);
    EXPECT_EQ(ps->propSetInt(h, "Count", 2, 9), kOfxStatErrBadIndex) << "a write leaves no gap";
    int four[4] = {};
    EXPECT_EQ(ps->propGetIntN(h, "Count", 2, four), kOfxStatErrBadIndex);
    set.defineInt("Fixed", {1, 2}, 2);
    EXPECT_EQ(ps->propSetInt(h, "Fixed", 2, 5), kOfxStatErrBadIndex) << "fixed dimension";

    EXPECT_EQ(ps->propGetInt(nullptr, "Count", 0, &i), kOfxStatErrBadHandle);
    std::uint32_t notASet[16] = {0x12345678u};
    auto* stranger = reinterpret_cast<OfxPropertySetHandle>(notASet);
    EXPECT_EQ(ps->propGetInt(stranger, "Count", 0, &i), kOfxStatErrBadHandle);
    EXPECT_EQ(ps->propSetInt(stranger, "Count", 0, 1), kOfxStatErrBadHandle);
}

TEST_F(PropertySuite, GrowsOnAppendAndResetsToTheDefault)
{
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
    ps->propReset(h, "Scale");
    EXPECT_EQ(set.getDoubles("Scale"), (std::vector<double>{1.0, 1.0}));

    const int values[3] = {4, 5, 6};
    ASSERT_EQ(ps->propSetIntN(h, "Made", 3, values), kOfxStatOK) << "an open set takes new names";
    EXPECT_EQ(set.getInts("Made"), (std::vector<int>{4, 5, 6}));

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

// The mandatory suites every load of a real bundle shows; here the versions and an unknown one.
TEST_F(PropertySuite, SuitesAreOfferedByNameAndVersion)
{
    OfxHost* ofx = host.ofxHost();
    EXPECT_NE(ofx->fetchSuite(ofx->host, kOfxMessageSuite, 2), nullptr);
    EXPECT_EQ(ofx->fetchSuite(ofx->host, kOfxPropertySuite, 2), nullptr);
    EXPECT_EQ(ofx->fetchSuite(ofx->host, "OfxInteractSuite", 1), nullptr);
    EXPECT_EQ(ofx->fetchSuite(ofx->host, kOfxPropertySuite, 1), ps);
}

} // namespace
