// The config `zelk-lut ocio-config` writes, read by PyOpenColorIO: it
// validates, every look applied through it equals the plug-in's render, and
// its colour spaces are the curve and display formulas.

#include "Generate.h"
#include "LookRender.h"
#include "OcioTestSupport.h"
#include "TransferCurves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

using namespace ocio_test;
using zelk::lut::TransferCurve;

namespace {

using OcioConfig = OcioTest;

// Codes inside, at the edges of and outside 0..1, each with each, then random ones.
std::vector<float> testImageRgba()
{
    const float special[] = {-0.5f, -1e-3f, 0.0f, 1e-7f, 0.2f, 0.5f, 0.999999f, 1.0f, 1.001f, 3.0f};
    std::vector<float> rgba;
    for (float r : special)
        for (float g : special)
            for (float b : special)
                rgba.insert(rgba.end(), {r, g, b, 1.0f});
    std::mt19937 random(17);
    std::uniform_real_distribution<float> code(-0.1f, 1.1f);
    while (rgba.size() < 4 * 2048)
        rgba.insert(rgba.end(), {code(random), code(random), code(random), 0.5f});
    return rgba;
}

} // namespace

TEST_F(OcioConfig, ValidatesAndRefusesToOverwriteWithoutForce)
{
    const CommandResult valid = pyOcio({"validate", ours()});
    EXPECT_EQ(valid.status, 0) << valid.output;
    const std::string before = readFile(ours());
    CommandResult again = zelkLut("ocio-config", ZELK_TEST_BUNDLE, ourDir().file("cfg"));
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(says(again, "exists already (-y or --force replaces it)")) << again.output;
    again = zelkLut("ocio-config", ZELK_TEST_BUNDLE, ourDir().file("cfg"), "-y", "-q");
    EXPECT_EQ(again.status, 0) << again.output;
    EXPECT_EQ(readFile(ours()), before); // the same bundle gives the same config
}

TEST_F(OcioConfig, EveryLookThroughOpenColorIoEqualsThePlugIn)
{
    const std::vector<float> rgba = testImageRgba();
    std::vector<float> rgb;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    writeFloats(m_dir.file("image.f32"), rgb);
    fs::create_directories(m_dir.file("looks-out"));
    const CommandResult applied =
        pyOcio({"looks", ours(), m_dir.file("image.f32"), m_dir.file("looks-out")});
    ASSERT_EQ(applied.status, 0) << applied.output;

    const int width = 64, height = int(rgba.size() / 4 / 64);
    LookRender render(ZELK_TEST_BUNDLE, width, height, rgba);
    ASSERT_NE(render.instance(), nullptr);
    std::istringstream manifest(applied.output);
    std::string line;
    int looks = 0;
    while (std::getline(manifest, line)) {
        // "N<TAB>Film Print (Tevo4/QXR4)<TAB>Tevo4/QXR4"
        const std::size_t tab1 = line.find('\t'), tab2 = line.rfind('\t');
        const std::string index = line.substr(0, tab1);
        const std::string ocioName = line.substr(tab1 + 1, tab2 - tab1 - 1);
        const std::string curve = line.substr(tab2 + 1);
        const std::string look = ocioName.substr(0, ocioName.rfind(" ("));
        ASSERT_EQ(render.render(look, curve), kOfxStatOK) << ocioName;
        const std::vector<float> ocio = readFloats(m_dir.file("looks-out/" + index + ".f32"));
        ASSERT_EQ(ocio.size(), rgb.size());
        double worst = 0.0;
        for (int p = 0; p < width * height; ++p)
            for (int c = 0; c < 3; ++c)
                worst = std::fmax(worst, std::fabs(double(render.out(p)[c]) - ocio[3 * p + c]));
        EXPECT_LE(worst, 1e-6) << ocioName;
        ++looks;
    }
    EXPECT_EQ(looks, 2 * int(zelk::lut::lookRecipes().size())) << "every look for both curves";
}

TEST_F(OcioConfig, ColourSpacesAreTheCurveAndDisplayFormulas)
{
    // Scene light over each curve's whole range, dense enough for every stop.
    for (TransferCurve curve : {TransferCurve::Tevo4, TransferCurve::Tevo3}) {
        const int n = 4097;
        std::vector<float> scene;
        for (int i = 0; i < n; ++i) {
            const float s = float(zelk::lut::decodeCurve(curve, i / double(n - 1)));
            scene.insert(scene.end(), {s, s, s});
        }
        const std::vector<float> code =
            pyOcioApply(ours(), {"scene-linear", "--to", zelk::lut::curveName(curve)}, scene);
        ASSERT_EQ(code.size(), scene.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < scene.size(); ++i) // every channel
            worst = std::fmax(worst, std::fabs(code[i] - zelk::lut::encodeCurve(curve, scene[i])));
        EXPECT_LE(worst, 1e-6) << zelk::lut::curveName(curve);
    }
    // The display: code = clamp(light, 0, 1)^(1/2.4).
    std::vector<float> light;
    for (int i = 0; i <= 3000; ++i)
        light.insert(light.end(), 3, -0.5f + i / 1000.0f);
    const std::vector<float> display =
        pyOcioApply(ours(), {"scene-linear", "--to", "Gamma 2.4 display"}, light);
    ASSERT_EQ(display.size(), light.size());
    for (std::size_t i = 0; i < light.size(); ++i)
        EXPECT_NEAR(display[i], zelk::lut::encodeDisplay(light[i]), 1e-6) << light[i];
}

TEST_F(OcioConfig, NamesTheLooksOpenColorIoCannotCarryAndWritesTheRest)
{
    const std::string bundle = m_dir.file("B.ofx.bundle");
    fs::create_directories(bundle + "/Contents/Resources");
    writeFile(m_dir.file("a.cube"), permutationCube(18));
    for (const char* name : {"Good", "Warm, Soft"})
        ASSERT_EQ(zelkLut("add", bundle, name, "--tevo4", m_dir.file("a.cube"), "--tevo3",
                          m_dir.file("a.cube"), "-q")
                      .status,
                  0);
    // By hand: a name OpenColorIO would read as an inverse look, and a Tevo3
    // file the plug-in would not apply (17 points).
    for (const char* dir4 : {"looks_bin_tevo", "looks_bin_tevo4"})
        fs::copy_file(bundle + "/Contents/Resources/" + dir4 + "/Good.cube.bin",
                      bundle + "/Contents/Resources/" + dir4 + "/-Minus.cube.bin");
    writeFile(bundle + "/Contents/Resources/looks_bin_tevo/Small.cube.bin",
              zelk::lut::encodeCubeBin(zelk::lut::identityLattice(17)));
    writeFile(bundle + "/Contents/Resources/looks_bin_tevo4/Small.cube.bin",
              zelk::lut::encodeCubeBin(zelk::lut::identityLattice(18)));

    const CommandResult r = zelkLut("ocio-config", bundle, m_dir.file("cfg"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "look 'Warm, Soft' left out: OpenColorIO look names cannot hold ','"))
        << r.output;
    EXPECT_TRUE(says(r, "look '-Minus' left out")) << r.output;
    EXPECT_TRUE(says(r, "look 'Small' for Tevo3/QXR3 left out: its lattice of 17")) << r.output;
    EXPECT_TRUE(says(r, ": 3 looks")) << r.output; // Good x2, Small x1
    const CommandResult valid = pyOcio({"validate", m_dir.file("cfg/config.ocio")});
    EXPECT_EQ(valid.status, 0) << valid.output;
}
