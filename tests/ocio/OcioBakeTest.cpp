// zelk-lut baking through OpenColorIO: a config's transform from one of our
// curves, evaluated at every lattice point, against PyOpenColorIO's own
// application (the curve added to a config that lacks it); and look files of
// other tools' formats, made by OpenColorIO's Baker, which convert like the
// same transform written as .cube, within the difference zelk-lut reports.

#include "LutMath.h"
#include "OcioTestSupport.h"
#include "TransferCurves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace ocio_test;
using zelk::lut::LatticeLut;

namespace {

// A user's config without our curves: a log input, a graded result inside
// 0..1 (so that integer formats hold it), scene-linear light for a shaper,
// and a grade of that light.
const char* const kUserConfig = R"(ocio_profile_version: 2
roles: {default: linear, scene_linear: linear}
displays: {D: [!<View> {name: V, colorspace: graded}]}
colorspaces:
  - !<ColorSpace> {name: linear}
  - !<ColorSpace>
    name: log
    from_scene_reference: !<LogAffineTransform> {base: 2, log_side_slope: 0.0526315789, log_side_offset: 0.630001207, lin_side_offset: 0.00048828125}
  - !<ColorSpace>
    name: graded
    from_scene_reference: !<GroupTransform>
      children:
        - !<CDLTransform> {slope: [1.2, 1.0, 0.85], offset: [0.01, 0, 0.02], power: [1, 1, 1], sat: 1.3}
        - !<RangeTransform> {min_in_value: 0, max_in_value: 1, min_out_value: 0, max_out_value: 1}
        - !<ExponentTransform> {value: [2.4, 2.4, 2.4, 1], direction: inverse}
  - !<ColorSpace>
    name: film
    from_scene_reference: !<CDLTransform> {slope: [1.1, 1, 0.9], power: [0.8, 0.8, 0.8]}
)";

// The figure on the report's "largest difference" line; 0 when there is none.
double reportedDifference(const std::string& output)
{
    const std::size_t at = output.find("largest difference");
    if (at == std::string::npos)
        return 0.0;
    const std::size_t colon = output.find(": ", output.find("points off", at));
    return std::stod(output.substr(colon + 2));
}

// The largest difference between two looks as the plug-in renders them.
double renderedDifference(const LatticeLut& a, const LatticeLut& b)
{
    std::mt19937 random(9);
    std::uniform_real_distribution<float> code(-0.1f, 1.1f);
    double worst = 0.0;
    for (int i = 0; i < 100000; ++i) {
        const float x[3] = {code(random), code(random), code(random)};
        const ZelkRgb p = zelk_tetrahedral(a.values.data(), a.size, x[0], x[1], x[2]);
        const ZelkRgb q = zelk_tetrahedral(b.values.data(), b.size, x[0], x[1], x[2]);
        worst = std::fmax(worst, std::fmax(std::fabs(p.r - q.r),
                                           std::fmax(std::fabs(p.g - q.g), std::fabs(p.b - q.b))));
    }
    return worst;
}

class OcioBake : public OcioTest {
protected:
    void SetUp() override
    {
        OcioTest::SetUp();
        writeFile(user(), kUserConfig);
    }
    std::string user() const { return m_dir.file("user.ocio"); }

    // Bakes `from` -> graded (through a shaper space if given) with
    // OpenColorIO's Baker and converts the file with zelk-lut; its report.
    std::string make(const std::string& format, const std::string& file, const char* from,
                     const char* shaper = nullptr)
    {
        std::vector<std::string> args = {"bake", user(),          from, "graded", format,
                                         "33",   m_dir.file(file)};
        if (shaper)
            args.push_back(shaper);
        const CommandResult baked = pyOcio(args);
        EXPECT_EQ(baked.status, 0) << format << ": " << baked.output;
        const CommandResult converted =
            zelkLut("convert", m_dir.file(file), m_dir.file(file + ".cube.bin"));
        EXPECT_EQ(converted.status, 0) << file << ": " << converted.output;
        return converted.output;
    }
    LatticeLut look(const std::string& file)
    {
        const std::string path = m_dir.file(file + ".cube.bin");
        return zelk::lut::parseCubeBin(readFile(path), path);
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
    const CommandResult r = zelkLut("bake", "--config", user(), "--curve", "tevo3", "--to", "film",
                                    "--size", "33", m_dir.file("f.cube.bin"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "the config has no colour space 'Tevo3/QXR3': ours is added")) << r.output;
    // Expected: the curve's formula to the config's reference, then its own transform.
    std::vector<float> scene = latticePoints(33);
    for (float& v : scene)
        v = float(zelk::lut::decodeCurve(zelk::lut::TransferCurve::Tevo3, v));
    EXPECT_LE(
        differenceFromPyOcio(m_dir.file("f.cube.bin"), scene, user(), {"linear", "--to", "film"}),
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

TEST_F(OcioBake, OtherFormatsThreeDTablesConvertLikeTheSameCube)
{
    const std::string cubeReport = make("iridas_cube", "t.cube", "log");
    EXPECT_TRUE(says(cubeReport, "lattice 33 taken as is")) << cubeReport;
    const LatticeLut cube = look("t.cube");
    const struct {
        const char* name;
        const char* file;
        double quantum; // what the file's number format loses
    } formats[] = {{"Academy/ASC Common LUT Format", "t.clf", 1e-6},
                   {"flame", "t.3dl", 0.5 / 4095 + 1e-6},
                   {"cinespace", "t.csp", 1e-6},
                   {"spi3d", "t.spi3d", 1e-6},
                   {"truelight", "t.cub", 1e-6}};
    for (const auto& f : formats) {
        const std::string report = make(f.name, f.file, "log");
        EXPECT_TRUE(says(report, "one 3D table: lattice 33 taken as is")) << report;
        EXPECT_LE(renderedDifference(look(f.file), cube), f.quantum) << f.name;
    }
}

TEST_F(OcioBake, OtherFormatsWithShapersBakeWithinTheReportedDifference)
{
    // Scene-linear input through a log shaper: a 1D and a 3D table in the
    // grading applications' .cube, in CLF and in Cinespace. Each is baked onto
    // lattice 65; the inputs above 1 that the shaper reaches are named.
    const std::string cubeReport = make("resolve_cube", "s.cube", "linear", "log");
    const LatticeLut cube = look("s.cube");
    for (const auto& [format, file] :
         {std::pair{"Academy/ASC Common LUT Format", "s.clf"}, {"cinespace", "s.csp"}}) {
        const std::string report = make(format, file, "linear", "log");
        for (const std::string& r : {cubeReport, report}) {
            EXPECT_TRUE(says(r, "baked onto a 0..1 lattice of 65")) << r;
            EXPECT_TRUE(says(r, "red, green and blue inputs above 1.0, up to 130")) << r;
        }
        const double allowed = reportedDifference(cubeReport) + reportedDifference(report) + 1e-5;
        EXPECT_LE(renderedDifference(look(file), cube), allowed) << format;
    }
}

TEST_F(OcioBake, OtherFormatsReadingFailuresNameTheFileAndOpenColorIosReason)
{
    writeFile(m_dir.file("bad.3dl"), "this is not a lattice\n");
    CommandResult r = zelkLut("convert", m_dir.file("bad.3dl"), m_dir.file("bad.cube.bin"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, m_dir.file("bad.3dl") + ": OpenColorIO: ")) << r.output;
    EXPECT_FALSE(fs::exists(m_dir.file("bad.cube.bin")));
    r = zelkLut("convert", m_dir.file("missing.clf"), m_dir.file("m.cube.bin"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "missing.clf: cannot open: no such file")) << r.output;

    // A 1D table over 0..16: converted, with the clamped inputs named.
    writeFile(m_dir.file("wide.spi1d"),
              "Version 1\nFrom 0 16\nLength 5\nComponents 1\n{\n0\n0.3\n0.6\n0.8\n1\n}\n");
    r = zelkLut("convert", m_dir.file("wide.spi1d"), m_dir.file("wide.cube.bin"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "red, green and blue inputs above 1.0, up to 16.0, clamp to 1.0"))
        << r.output;
}
