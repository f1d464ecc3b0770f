// Clips as a host gives them: inputs start unconnected, an optional mask works without input and
// with one (converted to the Alpha it takes), a connected clip without a frame gives no image,
// and an effect with two inputs gets each its own.
#include "HostTestUtil.h"

using hosttest::errorOf;
using hosttest::Pixels;
using hosttest::sample;

namespace {

using ClipsTest = hosttest::FeaturesTest;

TEST_F(ClipsTest, AnOptionalMaskWorksUnconnectedConnectedAndWithoutAFrame)
{
    auto fx = create("org.zelk.test.MaskedInvert");
    EXPECT_FALSE(fx->clipConnected("Source"));
    EXPECT_EQ(fx->clipProperties("Mask").getInt(kOfxImageClipPropConnected), 0);
    EXPECT_TRUE(fx->clipConnected("Output"));
    Pixels src(4, 2, 0.25f);
    fx->connectClip("Source", src.input());
    EXPECT_EQ(sample(fx->renderFrame(0), 3, 1, 0), 0.75f) << "no mask: inverted everywhere";

    // The mask clip takes Alpha only: the host hands it the alpha of what is connected.
    Pixels mask(4, 2, 0.0f);
    for (int y = 0; y < 2; ++y)
        mask.at(0, y, 3) = 1.0f;
    fx->connectClip("Mask", mask.input());
    const ofxhost::RenderedFrame out = fx->renderFrame(0);
    EXPECT_EQ(fx->properties().getString("mask format"),
              std::string(kOfxBitDepthFloat) + " " + kOfxImageComponentAlpha);
    EXPECT_EQ(sample(out, 0, 0, 0), 0.75f);
    EXPECT_EQ(sample(out, 3, 0, 0), 0.25f) << "outside the mask: untouched";
    EXPECT_EQ(sample(out, 0, 0, 3), 0.25f) << "alpha kept";

    // Connected, but no frame at that time: the effect's fetch finds no image, and it says so.
    ofxhost::ClipInput none;
    none.frameAt = [](double) { return std::optional<ofxhost::ClipFrame>(); };
    fx->connectClip("Mask", none);
    try {
        fx->renderFrame(0);
        ADD_FAILURE() << "the render should fail";
    } catch (const ofxhost::Error& e) {
        EXPECT_EQ(e.status(), kOfxStatFailed);
    }
    EXPECT_EQ(fx->liveImageCount(), 0) << "every image released";
    fx->disconnectClip("Mask");
    EXPECT_EQ(sample(fx->renderFrame(0), 3, 0, 0), 0.75f);
}

TEST_F(ClipsTest, TwoInputsGiveTheirOwnImagesAndBothMustBeThere)
{
    auto fx = create("org.zelk.test.Mix", kOfxImageEffectContextGeneral);
    EXPECT_EQ(fx->clipNames(), (std::vector<std::string>{"A", "B", "Output"}));
    const std::string wrongClip = errorOf([&] { fx->connectClip("Source", Pixels(1, 1).input()); });
    EXPECT_NE(wrongClip.find("no clip \"Source\" (its input clips: \"A\", \"B\")"),
              std::string::npos)
        << wrongClip;
    Pixels a(4, 2, 0.25f), b(4, 2, 0.75f);
    fx->connectClip("A", a.input());
    const std::string unconnected = errorOf([&] { fx->renderFrame(0); });
    EXPECT_NE(unconnected.find("needs clip \"B\""), std::string::npos) << unconnected;

    // B lies two pixels to the right: the output covers both, each input black outside itself.
    fx->connectClip("B", b.input(2, 0));
    const ofxhost::RenderedFrame out = fx->renderFrame(0);
    EXPECT_EQ(out.bounds.x1, 0);
    EXPECT_EQ(out.bounds.x2, 6);
    EXPECT_EQ(sample(out, 0, 0, 0), 0.125f) << "A only";
    EXPECT_EQ(sample(out, 2, 1, 0), 0.5f) << "both";
    EXPECT_EQ(sample(out, 5, 1, 0), 0.375f) << "B only";
}

TEST_F(ClipsTest, UnconnectedClipsAnswerTheSuiteAndRefusedInputsChangeNothing)
{
    auto fx = create("org.zelk.test.MaskedInvert");
    auto* suite = hosttest::fetchSuite<OfxImageEffectSuiteV1>(host, kOfxImageEffectSuite);
    OfxImageClipHandle mask = nullptr;
    ASSERT_EQ(suite->clipGetHandle(fx->handle(), "Mask", &mask, nullptr), kOfxStatOK);
    OfxPropertySetHandle image = nullptr;
    EXPECT_EQ(suite->clipGetImage(mask, 0, nullptr, &image), kOfxStatFailed);
    OfxRectD rod{1, 1, 1, 1};
    EXPECT_EQ(suite->clipGetRegionOfDefinition(mask, 0, &rod), kOfxStatOK);
    EXPECT_TRUE(rod.x1 == 0 && rod.x2 == 0 && rod.y1 == 0 && rod.y2 == 0) << "empty";
    EXPECT_THROW(fx->connectClip("Output", Pixels(1, 1).input()), ofxhost::Error);
    ofxhost::ClipInput odd = Pixels(1, 1).input();
    odd.components = "OfxImageComponentYUVA";
    EXPECT_THROW(fx->connectClip("Source", odd), ofxhost::Error);
    EXPECT_FALSE(fx->clipConnected("Source")) << "a refused input leaves the clip as it was";

    // An image given for one render leaves the clips as they were.
    Pixels connected(4, 2, 0.25f), once(4, 2, 0.5f), out(4, 2);
    ASSERT_EQ(ofxhost::renderWholeFrame(*fx, 0, once.data.data(), out.data.data(), 4, 2),
              kOfxStatOK);
    EXPECT_EQ(out.at(1, 1, 0), 0.5f);
    EXPECT_FALSE(fx->clipConnected("Source"));
    fx->connectClip("Source", connected.input());
    ASSERT_EQ(ofxhost::renderWholeFrame(*fx, 0, once.data.data(), out.data.data(), 4, 2),
              kOfxStatOK);
    EXPECT_EQ(out.at(1, 1, 0), 0.5f) << "rendered from the image given";
    EXPECT_EQ(sample(fx->renderFrame(0), 1, 1, 0), 0.75f) << "and then from the input again";
}

} // namespace
