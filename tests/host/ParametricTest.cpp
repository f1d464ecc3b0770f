// Parametric parameters: curves start from the descriptor's (the identity where it set none),
// are set from text and through the suite, and evaluate as smooth curves that stay exact where
// they are straight.
#include "HostTestUtil.h"

#include <ofxParametricParam.h>

using hosttest::errorOf;

namespace {

class ParametricTest : public hosttest::FeaturesTest {
protected:
    void SetUp() override
    {
        fx = create("org.zelk.test.ParamZoo");
        OfxParamSetHandle set = nullptr;
        fetchSuite<OfxImageEffectSuiteV1>(kOfxImageEffectSuite)->getParamSet(fx->handle(), &set);
        ASSERT_EQ(params->paramGetHandle(set, "curve", &curve, nullptr), kOfxStatOK);
    }
    template <typename Suite> const Suite* fetchSuite(const char* name)
    {
        return hosttest::fetchSuite<Suite>(host, name);
    }
    // Curve `c` at `x`, as an effect evaluates it.
    double at(int c, double x)
    {
        double y = -1;
        EXPECT_EQ(curves->parametricParamGetValue(curve, c, 0, x, &y), kOfxStatOK);
        return y;
    }

    std::unique_ptr<ofxhost::Instance> fx;
    const OfxParameterSuiteV1* params = fetchSuite<OfxParameterSuiteV1>(kOfxParameterSuite);
    const OfxParametricParameterSuiteV1* curves =
        fetchSuite<OfxParametricParameterSuiteV1>(kOfxParametricParameterSuite);
    OfxParamHandle curve = nullptr;
};

TEST_F(ParametricTest, CurvesStartFromTheDescriptorOrTheIdentity)
{
    EXPECT_EQ(fx->curve("curve", 0).size(), 2u);
    EXPECT_EQ(fx->curve("curve", 0)[0].y, 1.0) << "the default the effect set: an inverse";
    for (int i = 0; i <= 10; ++i) {
        EXPECT_FLOAT_EQ(at(0, i / 10.0), 1.0 - i / 10.0);
        EXPECT_EQ(at(1, i / 10.0), i / 10.0) << "the identity gives each value back exactly";
    }
}

TEST_F(ParametricTest, CurvesSetFromTextEvaluateSmoothly)
{
    fx->setParamFromText("curve", "0:0 0.5:0.8 1:1");
    EXPECT_EQ(at(2, 0), 0.0);
    EXPECT_FLOAT_EQ(at(2, 0.5), 0.8) << "through its control points";
    EXPECT_FLOAT_EQ(at(2, 1), 1.0);
    for (int i = 1; i <= 10; ++i)
        EXPECT_GT(at(2, i / 10.0), at(2, (i - 1) / 10.0))
            << "rising between rising points, at " << i;
    EXPECT_GT(at(2, 0.2), 0.33) << "a curve, not two straight lines (which give 0.32)";
    // Past the last point it goes on along the end slope (0.2 over 0.5) instead of clipping.
    EXPECT_FLOAT_EQ(at(1, 1.5), 1.2);

    fx->setParamFromText("curve", "0:0 1:1; 0:1 1:0; 0:0.5");
    EXPECT_EQ(fx->curve("curve", 2).size(), 1u);
    EXPECT_EQ(at(2, 0.7), 0.5) << "one point: that value everywhere";
    const std::string wrong = errorOf([&] { fx->setParamFromText("curve", "0:0; 1:1"); });
    EXPECT_NE(wrong.find("3 curves"), std::string::npos) << wrong;
    EXPECT_NE(errorOf([&] { fx->setParamFromText("curve", "0:0 0:1"); }).find("two control points"),
              std::string::npos);
}

TEST_F(ParametricTest, TheSuiteEditsTheInstancesCurves)
{
    EXPECT_EQ(curves->parametricParamAddControlPoint(curve, 1, 0, 0.5, 0.25, false), kOfxStatOK);
    EXPECT_EQ(curves->parametricParamAddControlPoint(curve, 1, 0, 0.5, 0.3, false), kOfxStatOK);
    int n = 0;
    EXPECT_EQ(curves->parametricParamGetNControlPoints(curve, 1, 0, &n), kOfxStatOK);
    EXPECT_EQ(n, 3) << "a point at the same position replaces the one there";
    double key = 0, value = 0;
    // Moving the middle point past the last reorders the points.
    EXPECT_EQ(curves->parametricParamSetNthControlPoint(curve, 1, 0, 1, 2.0, 2.0, false),
              kOfxStatOK);
    EXPECT_EQ(curves->parametricParamGetNthControlPoint(curve, 1, 0, 2, &key, &value), kOfxStatOK);
    EXPECT_EQ(key, 2.0);
    EXPECT_EQ(curves->parametricParamDeleteControlPoint(curve, 1, 2), kOfxStatOK);
    EXPECT_EQ(at(1, 0.5), 0.5);

    EXPECT_EQ(curves->parametricParamGetNthControlPoint(curve, 1, 0, 5, &key, &value),
              kOfxStatErrBadIndex);
    EXPECT_EQ(curves->parametricParamGetValue(curve, 3, 0, 0.5, &value), kOfxStatErrBadIndex);
    EXPECT_EQ(curves->parametricParamDeleteAllControlPoints(curve, 0), kOfxStatOK);
    EXPECT_EQ(at(0, 0.5), 0.0) << "no points: 0";
    EXPECT_EQ(params->paramGetValue(curve, &value), kOfxStatErrUnsupported)
        << "a curve has no plain value";
}

} // namespace
