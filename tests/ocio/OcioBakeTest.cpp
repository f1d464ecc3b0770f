// `zelk-lut bake`: a config's transform from one of our curves, evaluated by
// OpenColorIO at every lattice point, against PyOpenColorIO's own
// application; the curve's colour space added to a config that lacks it.

#include "CubeBin.h"
#include "OcioTestSupport.h"
#include "TransferCurves.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace looks_test;
using namespace ocio_test;
using zelk::lut::LatticeLut;
using zelk::lut::TransferCurve;

namespace {

// A user's config: its own reference and a graded colour space, but neither
// of our curves.
const char* const kUserConfig = R"(ocio_profile_version: 2
roles: {default: lin, scene_linear: lin}
displays: {D: [!<View> {name: V, colorspace: film}]}
looks:
  - !<Look> {name: warm, process_space: lin, transform: !<CDLTransform> {slope: [1.1, 1, 0.9]}}
colorspaces:
  - !<ColorSpace> {name: lin}
  - !<ColorSpace>
    name: film
    from_scene_reference: !<CDLTransform> {slope: [1.1, 1, 0.9], power: [0.8, 0.8, 0.8]}
)";

class OcioBake : public OcioTest {
protected:
    void SetUp() override
    {
        OcioTest::SetUp();
        ASSERT_EQ(zelkLut("ocio-config", ZELK_TEST_BUNDLE, m_dir.file("cfg"), "-q").status, 0);
        writeFile(m_dir.file("user.ocio"), kUserConfig);
    }
    std::string ours() const { return m_dir.file("cfg/config.ocio"); }

    // The largest difference, relative to 1 or the value, between the baked look
    // in `file` and PyOpenColorIO's `transform` of `inputs` (RGB at its points).
    double differenceFromPyOcio(const std::string& file, const std::vector<float>& inputs,
                                const std::string& config,
                                const std::vector<std::string>& transform)
    {
        const LatticeLut lut = zelk::lut::parseCubeBin(readFile(file), file);
        const std::vector<float> want = pyOcioApply(config, transform, inputs);
        EXPECT_EQ(want.size(), lut.values.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < want.size() && i < lut.values.size(); ++i)
            worst = std::fmax(worst, std::fabs(double(lut.values[i]) - want[i]) /
                                         std::fmax(1.0, std::fabs(want[i])));
        return worst;
    }
};

} // namespace

TEST_F(OcioBake, EqualsOpenColorIoAtTheLatticePoints)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"tevo4", {"--to", "Gamma 2.4 display"}},
        {"tevo3", {"--to", "scene-linear"}},
        {"tevo3", {"--look", "Film Print (Tevo3/QXR3)"}},
        {"tevo4", {"--display", "Gamma 2.4", "--view", "Gamma 2.4"}},
    };
    for (const auto& [curve, transform] : cases) {
        std::vector<std::string> args = {"bake", "--config", ours(), "--curve",
                                         curve,  "--size",   "33"};
        args.insert(args.end(), transform.begin(), transform.end());
        args.insert(args.end(), {m_dir.file("b.cube.bin"), "-y"});
        const CommandResult r = zelkLutArgs(args);
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_TRUE(says(r, "largest difference from OpenColorIO's own transform")) << r.output;
        std::vector<std::string> apply = transform;
        apply.insert(apply.begin(), curve == std::string("tevo4") ? "Tevo4/QXR4" : "Tevo3/QXR3");
        EXPECT_LE(differenceFromPyOcio(m_dir.file("b.cube.bin"), latticePoints(33), ours(), apply),
                  1e-6)
            << transform[0] << " " << transform[1];
    }
}

TEST_F(OcioBake, AddsTheCurveToAConfigThatLacksIt)
{
    const CommandResult r = zelkLut("bake", "--config", m_dir.file("user.ocio"), "--curve", "tevo3",
                                    "--to", "film", "--size", "33", m_dir.file("f.cube.bin"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "the config has no colour space 'Tevo3/QXR3': ours is added")) << r.output;
    // Expected: the curve's formula to the config's reference, then its own transform.
    std::vector<float> scene = latticePoints(33);
    for (float& v : scene)
        v = float(zelk::lut::decodeCurve(TransferCurve::Tevo3, v));
    EXPECT_LE(differenceFromPyOcio(m_dir.file("f.cube.bin"), scene, m_dir.file("user.ocio"),
                                   {"lin", "--to", "film"}),
              1e-6);
}

TEST_F(OcioBake, IntoABundleInstallsBothCurvesAndRefusesWhatItCannotDo)
{
    const std::string bundle = m_dir.file("B.ofx.bundle");
    fs::create_directories(bundle + "/Contents/Resources");
    CommandResult r = zelkLut("bake", "--config", ours(), "--to", "Gamma 2.4 display", "--size",
                              "20", bundle, "Plain");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(zelkLut("list", bundle), "Plain  Tevo4/QXR4 20, Tevo3/QXR3 20"));
    EXPECT_LE(differenceFromPyOcio(bundle + "/Contents/Resources/looks_bin_tevo/Plain.cube.bin",
                                   latticePoints(20), ours(),
                                   {"Tevo3/QXR3", "--to", "Gamma 2.4 display"}),
              1e-6);

    // OpenColorIO's refusals come with the config's name; the command line's with usage.
    r = zelkLut("bake", "--config", ours(), "--curve", "tevo4", "--to", "nowhere",
                m_dir.file("x.cube.bin"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, ours() + ": OpenColorIO: ")) << r.output;
    EXPECT_FALSE(fs::exists(m_dir.file("x.cube.bin")));
    EXPECT_EQ(zelkLut("bake", "--config", ours(), "--to", "raw", "--look", "warm",
                      m_dir.file("x.cube.bin"), "--curve", "tevo4")
                  .status,
              2);
    EXPECT_EQ(zelkLut("bake", "--config", ours(), "--to", "raw", m_dir.file("x.cube.bin")).status,
              2);
}
