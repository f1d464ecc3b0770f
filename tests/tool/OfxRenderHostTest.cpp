// ofx-render as a host for effects other than ours: the small test effects of tests/host/plugins
// rendered from the command line, each with the host feature it needs.
#include "OfxRenderFixture.h"

#include <ImfRgbaFile.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tooltest::contains;
using tooltest::RunResult;

const std::string kPlugins = HOST_TEST_PLUGINS;
const std::string kFeatures = kPlugins + "/HostFeatures.ofx.bundle";

class OfxRenderAnyEffect : public tooltest::OfxRenderTest {
protected:
    // A width x height image whose pixel (x, y) (from the top) is `at(x, y)`.
    void writeImage(const std::string& name, int width, int height,
                    const std::function<std::array<float, 4>(int, int)>& at)
    {
        zelk::RgbaImage image(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto v = at(x, y);
                std::copy(v.begin(), v.end(), image.row(y) + 4 * x);
            }
        zelk::writeImage(file(name), image, zelk::formatFromFileName(name),
                         zelk::SampleType::Float);
    }
    void writeFlat(const std::string& name, int width, int height, std::array<float, 4> rgba)
    {
        writeImage(name, width, height, [rgba](int, int) { return rgba; });
    }
    RunResult renderEffect(const std::string& effect, std::vector<std::string> args,
                           const std::string& bundle = kFeatures)
    {
        args.insert(args.begin(), {"--bundle", bundle, "--effect", effect});
        return render(args);
    }
    float at(const std::string& name, int x, int y, int c)
    {
        return zelk::readImage(file(name)).row(y)[4 * x + c];
    }
};

// What the host library does with these effects its own tests show; here what ofx-render adds:
// the inputs, effect, version and context named on its command line, images of the size an effect
// gives written out, other frames of a sequence fed, and its messages.
TEST_F(OfxRenderAnyEffect, EveryInputClipCanBeFedByName)
{
    writeFlat("in.exr", 4, 2, {0.25f, 0.5f, 0.75f, 1.0f});
    // The mask clip takes Alpha: the host gives it the alpha of the image fed to it.
    writeImage("mask.exr", 4, 2, [](int x, int) {
        return std::array<float, 4>{0, 0, 0, x < 2 ? 1.0f : 0.0f};
    });
    RunResult r = renderEffect("org.zelk.test.MaskedInvert",
                               {"--input", "Mask=mask.exr", "in.exr", "masked.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("masked.exr", 0, 0, 2), 0.25f);
    EXPECT_EQ(at("masked.exr", 3, 0, 2), 0.75f);

    // Two inputs and no Source: the general context, chosen by the clips given.
    writeFlat("b.exr", 4, 2, {0.75f, 0.75f, 0.75f, 1.0f});
    r = renderEffect("org.zelk.test.Mix",
                     {"--input", "A=in.exr", "--input", "B=b.exr", "--set", "mix=0.5", "mix.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("mix.exr", 1, 1, 0), 0.5f);

    // Clips the effect does not have are named with the ones it has.
    r = renderEffect("org.zelk.test.Mix", {"in.exr", "wrong.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "no input clip 'Source' (its input clips: A, B)")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(file("wrong.exr")));
}

TEST_F(OfxRenderAnyEffect, TheProjectIsThePictureAndOutputsTheSizeTheEffectGives)
{
    // The disc's default centre and radius are relative to the picture: its middle.
    writeFlat("in.exr", 64, 48, {0.5f, 0.5f, 0.5f, 1.0f});
    RunResult r = renderEffect("org.zelk.test.Dot", {"in.exr", "dot.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("dot.exr", 32, 24, 1), 0.0f) << "red disc in the middle";
    EXPECT_EQ(at("dot.exr", 2, 2, 1), 0.5f);

    // The effect grows the picture by 4 pixels a side: the EXR's data window says where.
    writeFlat("small.exr", 8, 6, {0.5f, 0.5f, 0.5f, 1.0f});
    r = renderEffect("org.zelk.test.Pad", {"small.exr", "padded.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Imf::RgbaInputFile padded(file("padded.exr").c_str());
    EXPECT_EQ(padded.dataWindow().min, Imath::V2i(-4, -4));
    EXPECT_EQ(padded.dataWindow().max, Imath::V2i(11, 9));
    EXPECT_EQ(padded.displayWindow().max, Imath::V2i(7, 5)) << "the picture's frame stays";
    r = renderEffect("org.zelk.test.Pad", {"small.exr", "padded.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(zelk::readImage(file("padded.png")).width, 16);
}

TEST_F(OfxRenderAnyEffect, ATemporalEffectReadsOtherFramesOfTheSequence)
{
    for (int f = 1; f <= 3; ++f)
        writeFlat("in." + std::to_string(f) + ".exr", 2, 2, {f / 10.0f, 0, 0, 1});
    const RunResult r = renderEffect("org.zelk.test.TimeOffset", {"in.#.exr", "out.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("out.1.exr", 0, 0, 0), 0.0f) << "no frame 0: black";
    EXPECT_EQ(at("out.2.exr", 0, 0, 0), 0.1f);
    EXPECT_EQ(at("out.3.exr", 1, 1, 0), 0.2f);
}

TEST_F(OfxRenderAnyEffect, ATransitionRunsOverTheInputSequences)
{
    for (int f = 1; f <= 5; ++f) {
        writeFlat("a." + std::to_string(f) + ".exr", 2, 2, {0, 0, 0, 1});
        writeFlat("b." + std::to_string(f) + ".exr", 2, 2, {1, 1, 1, 1});
    }
    const std::vector<std::string> clips = {"--input", "SourceFrom=a.#.exr", "--input",
                                            "SourceTo=b.#.exr"};
    auto dissolve = [&](std::vector<std::string> args) {
        args.insert(args.begin(), clips.begin(), clips.end());
        return renderEffect("org.zelk.test.Mix", args);
    };
    RunResult r = dissolve({"out.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (int f = 1; f <= 5; ++f)
        EXPECT_EQ(at("out." + std::to_string(f) + ".exr", 1, 1, 0), (f - 1) / 4.0f) << f;

    // A farm task rendering some frames sees the same transition.
    r = dissolve({"--frames", "4", "part.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("part.4.exr", 0, 0, 1), 0.75f);

    // A value given holds at every frame.
    r = dissolve({"--frames", "2-3", "--set", "Transition=0.3", "held.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("held.2.exr", 0, 0, 2), 0.3f);
    EXPECT_EQ(at("held.3.exr", 0, 0, 2), 0.3f);
}

TEST_F(OfxRenderAnyEffect, AGeneratorMakesPicturesOfTheSizeGiven)
{
    RunResult r =
        renderEffect("org.zelk.test.Ramp", {"--size", "8x4", "--frames", "10-11", "ramp.#.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(zelk::readImage(file("ramp.11.exr")).width, 8);
    EXPECT_EQ(at("ramp.10.exr", 7, 3, 0), 7.5f / 8) << "the project is the picture";
    EXPECT_EQ(at("ramp.11.exr", 0, 0, 1), 0.11f) << "each frame at its time";
    r = renderEffect("org.zelk.test.Ramp", {"--size", "3x2", "ramp.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(zelk::readImage(file("ramp.png")).height, 2);

    // Without inputs nothing says which frames or what size.
    r = renderEffect("org.zelk.test.Ramp", {"--size", "8x4", "none.#.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "--frames is needed")) << r.err;
    r = renderEffect("org.zelk.test.Ramp", {"none.exr"});
    EXPECT_EQ(r.exitCode, 2);
    r = renderEffect("org.zelk.test.Ramp", {"--size", "8x0", "none.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "between 1 and")) << r.err;
    writeFlat("in.exr", 2, 2, {0, 0, 0, 1});
    r = renderEffect("org.zelk.test.Ramp", {"--size", "8x4", "in.exr", "none.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "--size is for effects without inputs")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(file("none.exr")));
}

TEST_F(OfxRenderAnyEffect, VersionsAndContexts)
{
    writeFlat("in.exr", 2, 2, {0.25f, 0.25f, 0.25f, 0.75f});
    const std::string invert = "org.zelk.test.Invert";
    RunResult r = renderEffect(invert + ":1", {"in.exr", "v1.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("v1.exr", 0, 0, 3), 0.75f) << "version 1 keeps alpha";
    r = renderEffect(invert, {"in.exr", "v2.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("v2.exr", 0, 0, 3), 0.25f) << "the highest version by default";
    r = renderEffect(invert + ":3", {"in.exr", "v3.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, invert + ":1.0, ")) << r.err;

    // "strength" exists in the general context only.
    r = renderEffect(invert,
                     {"--context", "general", "--set", "strength=0.5", "in.exr", "half.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("half.exr", 1, 1, 0), 0.5f);
    r = renderEffect(invert, {"--set", "strength=0.5", "in.exr", "filter.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "strength")) << r.err;
    r = renderEffect(invert, {"--context", "paint", "in.exr", "paint.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "filter, general")) << r.err;
}

TEST_F(OfxRenderAnyEffect, EffectsThatCannotBeUsedSayWhatTheHostLacks)
{
    const std::string partly = kPlugins + "/Partly.ofx.bundle";
    writeFlat("in.exr", 2, 2, {0.25f, 0.5f, 0.75f, 1.0f});
    RunResult r = renderEffect("org.zelk.test.Copy", {"in.exr", "copy.exr"}, partly);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(at("copy.exr", 1, 1, 2), 0.75f);
    EXPECT_TRUE(contains(r.err, "skipping effect org.zelk.test.LoadFails")) << r.err;
    // -q: the host's warnings are not printed; the frame renders all the same.
    r = renderEffect("org.zelk.test.Copy", {"-q", "in.exr", "quiet.exr"}, partly);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(at("quiet.exr", 1, 1, 2), 0.75f);

    r = renderEffect("org.zelk.test.NeedsDraw", {"in.exr", "no.exr"}, partly);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "ofx-render: effect org.zelk.test.NeedsDraw:1.0 cannot be used"))
        << r.err;
    EXPECT_TRUE(contains(r.err, "needs the draw suite (on-screen controls), which ofx-render "
                                "does not provide"))
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(file("no.exr")));
}

} // namespace
