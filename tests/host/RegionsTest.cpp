// Where things lie: the project follows the picture, normalised defaults become canonical, an
// effect that grows its input renders all of its region, and asks for the part of its input it
// needs.
#include "HostTestUtil.h"

using hosttest::errorOf;
using hosttest::Pixels;
using hosttest::sample;

namespace {

using RegionsTest = hosttest::FeaturesTest;

TEST_F(RegionsTest, NormalisedDefaultsFollowTheProjectOfThePicture)
{
    auto fx = create("org.zelk.test.Dot", kOfxImageEffectContextFilter, {100, 50, 164, 98});
    EXPECT_EQ(fx->properties().getDoubles(kOfxImageEffectPropProjectSize),
              (std::vector<double>{64, 48}));
    EXPECT_EQ(fx->properties().getDoubles(kOfxImageEffectPropProjectOffset),
              (std::vector<double>{100, 50}));
    // A position scales by the size and moves by the offset; a width only scales.
    EXPECT_EQ(fx->paramDouble("center", 0), 132.0);
    EXPECT_EQ(fx->paramDouble("center", 1), 74.0);
    EXPECT_EQ(fx->paramDouble("radius"), 16.0);
    EXPECT_EQ(fx->paramDouble("color", 0), 1.0) << "colours are not spatial";
    // (Rendered from the command line, the same disc: OfxRenderAnyEffect.)

    // A 2D position set in canonical coordinates, as a user gives it.
    Pixels src(64, 48, 0.5f);
    fx->connectClip("Source", src.input(100, 50));
    fx->setParamFromText("center", "110,60");
    const ofxhost::RenderedFrame out = fx->renderFrame(0);
    EXPECT_EQ(sample(out, 101, 51, 0), 1.0f);
    EXPECT_EQ(sample(out, 132, 74, 0), 0.5f);
}

TEST_F(RegionsTest, AGrowingEffectRendersItsWholeRegion)
{
    auto fx = create("org.zelk.test.Pad");
    Pixels src(8, 6, 0.5f);
    fx->connectClip("Source", src.input(10, 20));
    const OfxRectD rod = fx->regionOfDefinition(0);
    EXPECT_EQ(rod.x1, 6.0);
    EXPECT_EQ(rod.y2, 30.0);

    const ofxhost::RenderedFrame out = fx->renderFrame(0);
    EXPECT_TRUE(out.bounds.x1 == 6 && out.bounds.y1 == 16 && out.bounds.x2 == 22 &&
                out.bounds.y2 == 30);
    EXPECT_EQ(out.unwrittenPixels, 0u);
    EXPECT_EQ(sample(out, 6, 16, 2), 0.75f) << "the border";
    EXPECT_EQ(sample(out, 10, 20, 2), 0.5f) << "the picture";

    // Rendered straight into an image of exactly its region, and only into such a one.
    Pixels whole(16, 14, -1.0f), part(8, 6, -1.0f);
    const ofxhost::ImageDesc into = whole.desc(6, 16), wrong = part.desc(10, 20);
    EXPECT_TRUE(fx->renderFrame(0, &into).inTarget);
    EXPECT_EQ(whole.at(0, 0, 2), 0.75f);
    EXPECT_EQ(whole.at(4, 4, 2), 0.5f);
    const ofxhost::RenderedFrame elsewhere = fx->renderFrame(0, &wrong);
    EXPECT_FALSE(elsewhere.inTarget);
    EXPECT_EQ(elsewhere.pixels, out.pixels);
    EXPECT_EQ(part.at(0, 0, 0), -1.0f);

    // Of Source it needs the region asked for less the border.
    const auto roi = fx->regionsOfInterest(0, {0, 0, 40, 40});
    ASSERT_EQ(roi.count("Source"), 1u);
    EXPECT_EQ(roi.at("Source").x1, 4.0);
    EXPECT_EQ(roi.at("Source").x2, 36.0);

    // A region no host could allocate is refused before anything is rendered.
    fx->setParam("border", 200000);
    const std::string huge = errorOf([&] { fx->renderFrame(0); });
    EXPECT_NE(huge.find("more than the host renders"), std::string::npos) << huge;
}

TEST_F(RegionsTest, WithoutAnAnswerTheRegionIsTheInputsOrTheProjects)
{
    auto fx = create("org.zelk.test.MaskedInvert", kOfxImageEffectContextFilter, {0, 0, 20, 10});
    OfxRectD rod = fx->regionOfDefinition(0);
    EXPECT_EQ(rod.x2, 20.0) << "nothing connected: the project";
    Pixels src(5, 3);
    fx->connectClip("Source", src.input(-2, 1));
    rod = fx->regionOfDefinition(0);
    EXPECT_EQ(rod.x1, -2.0);
    EXPECT_EQ(rod.y2, 4.0);
    const auto roi = fx->regionsOfInterest(0, {1, 2, 3, 4});
    EXPECT_EQ(roi.at("Mask").x2, 3.0) << "by default every input is needed where output is";
}

TEST_F(RegionsTest, PixelsLeftUnwrittenAreCountedAndTheirMarksCleared)
{
    // The copy effect passes the host's unwritten mark through bit for bit, as if it had not
    // written those samples: in two rows of the frame only.
    auto fx =
        host.loadBundle(hosttest::bundle("Partly")).effect("org.zelk.test.Copy")->createInstance();
    Pixels src(37, 9, 0.25f);
    src.at(3, 2, 1) = ofxhost::unwrittenSample();
    src.at(36, 2, 3) = ofxhost::unwrittenSample();
    src.at(0, 7, 0) = ofxhost::unwrittenSample();
    fx->connectClip("Source", src.input());

    const ofxhost::RenderedFrame out = fx->renderFrame(0);
    EXPECT_EQ(out.unwrittenPixels, 3u);
    EXPECT_TRUE(sample(out, 3, 2, 1) == 0 && sample(out, 36, 2, 3) == 0 &&
                sample(out, 0, 7, 0) == 0);
    EXPECT_EQ(sample(out, 4, 2, 1), 0.25f);
    EXPECT_EQ(sample(out, 3, 3, 1), 0.25f);
}

} // namespace
