// The clip preferences: an 8-bit effect gets bytes, and whatever depth and components an effect
// asks for it gets, converted from float RGBA and back as the host promises.
#include "HostTestUtil.h"

#include <Imath/half.h>

#include <cmath>

using hosttest::Pixels;
using hosttest::sample;

namespace {

using ClipPreferencesTest = hosttest::FeaturesTest;

// Without clip preferences of its own, an 8-bit effect gets bytes: every level exact both ways.
TEST_F(ClipPreferencesTest, AnEightBitEffectGetsBytesAndGivesBackFloat)
{
    auto fx = create("org.zelk.test.ByteInvert", kOfxImageEffectContextFilter, {0, 0, 64, 1});
    Pixels src(64, 1);
    for (int i = 0; i < 256; ++i)
        src.data[i] = float(i) / 255.0f;
    fx->connectClip("Source", src.input());
    const ofxhost::RenderedFrame out = fx->renderFrame(0);
    EXPECT_EQ(fx->clipProperties("Source").getString(kOfxImageEffectPropPixelDepth),
              kOfxBitDepthByte);
    EXPECT_EQ(fx->clipProperties("Source").getString(kOfxImageClipPropUnmappedPixelDepth),
              kOfxBitDepthFloat);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(out.pixels[i], float(i % 4 == 3 ? i : 255 - i) / 255.0f) << "level " << i;
}

// What a float sample becomes on its way through `depth` and back.
float throughDepth(float v, const std::string& depth)
{
    const float clamped = std::isnan(v) ? 0.0f : std::min(1.0f, std::max(0.0f, v));
    if (depth == "byte")
        return std::round(clamped * 255.0f) / 255.0f;
    if (depth == "short")
        return std::round(clamped * 65535.0f) / 65535.0f;
    if (depth == "half")
        return float(Imath::half(v));
    return v;
}

// The same float, NaN included.
bool same(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

TEST_F(ClipPreferencesTest, EveryDepthAndComponentsAnEffectAsksForRoundTrip)
{
    auto fx = create("org.zelk.test.FormatProbe", kOfxImageEffectContextGeneral);
    // Values out of every range, at (10, 20), its rows handed over bottom-up: host pixel (x, y)
    // is src.at(x - 10, 21 - y).
    Pixels src(4, 2);
    const float values[] = {0.0f, 1.0f, 0.5f, 0.1f, 1.0f / 3.0f, -0.25f, 2.5f, 70000.0f, NAN};
    for (size_t i = 0; i < src.data.size(); ++i)
        src.data[i] = values[(i * 5 + i / 4) % 9];
    ofxhost::ImageDesc bottomUp = src.desc(10, 20);
    bottomUp.data = &src.at(0, 1, 0);
    bottomUp.rowBytes = -bottomUp.rowBytes;
    fx->connectClip("Source", hosttest::inputOf(bottomUp));

    for (const char* depth : {"byte", "short", "half", "float"})
        for (const std::string components : {"RGBA", "RGB", "Alpha"}) {
            SCOPED_TRACE(depth + (" " + components));
            fx->setChoice("depth", depth);
            fx->setChoice("components", components);
            const ofxhost::RenderedFrame out = fx->renderFrame(0);
            ASSERT_EQ(out.bounds.x1, 10);
            ASSERT_EQ(out.bounds.y2, 22);
            for (int y = 20; y < 22; ++y)
                for (int x = 10; x < 14; ++x)
                    for (int c = 0; c < 4; ++c) {
                        // RGB gains an opaque alpha; Alpha shows as grey of its alpha.
                        const float in = src.at(x - 10, 21 - y, components == "Alpha" ? 3 : c);
                        const float want =
                            components == "RGB" && c == 3 ? 1.0f : throughDepth(in, depth);
                        ASSERT_TRUE(same(sample(out, x, y, c), want))
                            << x << "," << y << " channel " << c << ": " << sample(out, x, y, c);
                    }
        }

    // Asked again only when a parameter they follow changed.
    const std::string asked = fx->properties().getString("preferences asked");
    fx->renderFrame(1);
    EXPECT_EQ(fx->properties().getString("preferences asked"), asked);
    fx->setChoice("depth", "half");
    fx->renderFrame(1);
    EXPECT_NE(fx->properties().getString("preferences asked"), asked);
}

// setClipImage hands images over untouched, so an effect's checks of formats stay testable.
TEST_F(ClipPreferencesTest, ImagesAttachedAsGivenKeepTheirFormat)
{
    auto fx = create("org.zelk.test.FormatProbe", kOfxImageEffectContextGeneral);
    fx->setChoice("depth", "byte");
    Pixels src(2, 2, 0.5f), dst(2, 2, -1.0f);
    fx->setClipImage("Source", src.desc());
    fx->setClipImage("Output", dst.desc());
    EXPECT_EQ(fx->render(0, OfxRectI{0, 0, 2, 2}), kOfxStatErrImageFormat)
        << "the effect asked for bytes and sees the float images it was given";
}

} // namespace
