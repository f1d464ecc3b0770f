// Parametric parameters: curves start from the descriptor's (the identity where it set none),
// are set from text and through the suite, and evaluate as smooth curves that stay exact where
// they are straight.
#include "HostTestUtil.h"

#include <ofxhost/Instance.h>

#include <ofxImageEffect.h>
#include <ofxParametricParam.h>

#include <gtest/gtest.h>

using hosttest::errorOf;
using hosttest::Pixels;
using hosttest::sample;

namespace {

class ParametricTest : public hosttest::FeaturesTest {
protected:
    void SetUp() override
    {
        fx = create("org.zelk.test.Curves");
        for (int i = 0; i < 11; ++i)
            for (int c = 0; c < 4; ++c)
                src.at(i, 0, c) = i / 10.0f;
        fx->connectClip("Source", src.input());
    }
    // Curve `c` at 0, 0.1, ... 1, as the effect evaluated it.
    std::vector<float> rendered(int c)
    {
        const ofxhost::RenderedFrame out = fx->renderFrame(0);
        std::vector<float> v;
        for (int i = 0; i < 11; ++i)
            v.push_back(sample(out, i, 0, c));
        return v;
    }

    std::unique_ptr<ofxhost::Instance> fx;
    Pixels src{11, 1};
};

TEST_F(ParametricTest, CurvesStartFromTheDescriptorOrTheIdentity)
{
    EXPECT_EQ(fx->curve("curve", 0).size(), 2u);
    EXPECT_EQ(fx->curve("curve", 0)[0].y, 1.0) << "the default the effect set: an inverse";
    const std::vector<float> red = rendered(0), green = rendered(1);
    for (int i = 0; i < 11; ++i) {
        EXPECT_FLOAT_EQ(red[i], 1.0f - i / 10.0f);
        EXPECT_EQ(green[i], i / 10.0f) << "the identity gives each value back exactly";
    }
}

TEST_F(ParametricTest, CurvesSetFromTextEvaluateSmoothly)
{
    fx->setParamFromText("curve", "0:0 0.5:0.8 1:1");
    const std::vector<float> v = rendered(2);
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_FLOAT_EQ(v[5], 0.8f) << "through its control points";
    EXPECT_FLOAT_EQ(v[10], 1.0f);
    for (int i = 1; i < 11; ++i)
        EXPECT_GT(v[i], v[i - 1]) << "rising between rising points, at " << i;
    EXPECT_GT(v[2], 0.33f) << "a curve, not two straight lines (which give 0.32)";

    // Past the last point it goes on along the end slope (0.2 over 0.5) instead of clipping.
    src.at(3, 0, 1) = 1.5f;
    EXPECT_FLOAT_EQ(sample(fx->renderFrame(0), 3, 0, 1), 1.2f);

    fx->setParamFromText("curve", "0:0 1:1; 0:1 1:0; 0:0.5");
    EXPECT_EQ(fx->curve("curve", 2).size(), 1u);
    EXPECT_EQ(rendered(2)[7], 0.5f) << "one point: that value everywhere";
    const std::string wrong = errorOf([&] { fx->setParamFromText("curve", "0:0; 1:1"); });
    EXPECT_NE(wrong.find("3 curves"), std::string::npos) << wrong;
    EXPECT_NE(errorOf([&] { fx->setParamFromText("curve", "0:0 0:1"); }).find("two control points"),
              std::string::npos);
}

TEST_F(ParametricTest, TheSuiteEditsTheInstancesCurves)
{
    auto* params = hosttest::fetchSuite<OfxParameterSuiteV1>(host, kOfxParameterSuite);
    auto* curves =
        hosttest::fetchSuite<OfxParametricParameterSuiteV1>(host, kOfxParametricParameterSuite);
    ASSERT_NE(curves, nullptr);
    auto* effects = hosttest::fetchSuite<OfxImageEffectSuiteV1>(host, kOfxImageEffectSuite);
    OfxParamSetHandle set = nullptr;
    OfxParamHandle curve = nullptr;
    effects->getParamSet(fx->handle(), &set);
    ASSERT_EQ(params->paramGetHandle(set, "curve", &curve, nullptr), kOfxStatOK);

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
    EXPECT_EQ(curves->parametricParamGetValue(curve, 1, 0, 0.5, &value), kOfxStatOK);
    EXPECT_EQ(value, 0.5);

    EXPECT_EQ(curves->parametricParamGetNthControlPoint(curve, 1, 0, 5, &key, &value),
              kOfxStatErrBadIndex);
    EXPECT_EQ(curves->parametricParamGetValue(curve, 3, 0, 0.5, &value), kOfxStatErrBadIndex);
    EXPECT_EQ(curves->parametricParamDeleteAllControlPoints(curve, 0), kOfxStatOK);
    EXPECT_EQ(curves->parametricParamGetValue(curve, 0, 0, 0.5, &value), kOfxStatOK);
    EXPECT_EQ(value, 0.0) << "no points: 0";
    EXPECT_EQ(params->paramGetValue(curve, &value), kOfxStatErrUnsupported)
        << "a curve has no plain value";
}

} // namespace
