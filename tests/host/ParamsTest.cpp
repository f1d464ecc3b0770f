// Parameters of every type set as a user gives them, read back by the effect through the
// parameter suite; refusals name the problem and keep the value.
#include "HostTestUtil.h"

#include <cmath>

using hosttest::errorOf;

namespace {

class ParamsTest : public hosttest::FeaturesTest {
protected:
    void SetUp() override { fx = create("org.zelk.test.ParamZoo"); }
    // What the effect read of `name` when told it changed.
    std::string seen(const std::string& name)
    {
        EXPECT_EQ(fx->paramChanged(name), kOfxStatOK);
        return fx->properties().getString("seen " + name);
    }

    std::unique_ptr<ofxhost::Instance> fx;
};

TEST_F(ParamsTest, EveryTypeTakesTextAndTheEffectReadsItBack)
{
    const struct {
        const char* name;
        const char* text;
        const char* read;
    } cases[] = {
        {"count", "10", "10"},
        {"amount", "-0.25", "-0.25"},
        {"enabled", "true", "1"},
        {"enabled", "off", "0"},
        {"mode", "Best", "2"},
        {"mode", "1", "1"},
        {"tint", "0.1, 0.2,0.3,1", "0.1,0.2,0.3,1"},
        {"lift", "1,2,3", "1,2,3"},
        {"offset", "32,24", "32,24"},
        {"grid", "3,-4", "3,-4"},
        {"axis", "0,0,1", "0,0,1"},
        {"cells", "1,2,3", "1,2,3"},
        {"title", "Hello, \"world\"", "Hello, \"world\""},
        {"data", "{\"k\": [1, 2]}", "{\"k\": [1, 2]}"},
        {"flavour", "Lemon Tart", "lemon"},
        {"flavour", "vanilla", "vanilla"},
        {"flavour", "1", "lemon"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.text);
        fx->setParamFromText(c.name, c.text);
        EXPECT_EQ(seen(c.name), c.read);
    }
    fx->setParam("offset", std::vector<double>{-1.5, 2});
    EXPECT_EQ(seen("offset"), "-1.5,2");
    EXPECT_EQ(fx->paramString("flavour"), "lemon");
}

TEST_F(ParamsTest, RefusalsNameTheProblemAndKeepTheValue)
{
    fx->setParamFromText("offset", "32,24");
    fx->setParamFromText("grid", "3,4");
    fx->setParamFromText("flavour", "lemon");
    fx->setParamFromText("count", "3");
    fx->setParamFromText("amount", "0.5");
    fx->setParamFromText("mode", "2");
    const std::pair<std::function<void()>, const char*> refusals[] = {
        {[&] { fx->setParamFromText("offset", "32"); }, "takes 2 values, got 1"},
        {[&] { fx->setParamFromText("offset", "1,2,3"); }, "takes 2 values, got 3"},
        {[&] { fx->setParamFromText("offset", "1,x"); }, "\"1,x\""},
        {[&] { fx->setParamFromText("offset", "0,60"); },
         "(component 1) is outside its range -50 to 50"},
        {[&] { fx->setParam("offset", 1.0); }, "give all 2 values"},
        {[&] { fx->setParamFromText("grid", "1.5,2"); }, "whole numbers"},
        {[&] { fx->setParamFromText("count", "11"); }, "0 to 10"},
        {[&] { fx->setParam("count", 2.5); }, "whole"},
        {[&] { fx->setParamFromText("amount", ""); }, "needs a number"},
        {[&] { fx->setParam("amount", std::nan("")); }, "finite"},
        {[&] { fx->setParam("mode", -1); }, "\"mode\""},
        {[&] { fx->setParamFromText("flavour", "Mint"); }, "\"Vanilla\", \"Lemon Tart\""},
        {[&] { fx->setParamFromText("reset", "1"); }, "holds no value"},
        {[&] { fx->setCurve("tint", 0, {}); }, "not parametric"},
        {[&] { fx->setParamString("count", "3"); }, "does not hold text"},
    };
    for (const auto& r : refusals) {
        const std::string error = errorOf(r.first);
        EXPECT_NE(error.find(r.second), std::string::npos) << error;
    }
    EXPECT_EQ(seen("offset"), "32,24");
    EXPECT_EQ(seen("grid"), "3,4");
    EXPECT_EQ(fx->paramString("flavour"), "lemon");
    EXPECT_EQ(fx->paramInt("count"), 3);
    EXPECT_EQ(fx->paramDouble("amount"), 0.5);
    EXPECT_EQ(fx->paramInt("mode"), 2);
}

} // namespace
