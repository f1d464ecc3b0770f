// Look files of other tools' formats, made by OpenColorIO's Baker: each
// converts like the same transform written as .cube, within the difference
// zelk-lut reports; what OpenColorIO cannot read is named with its reason.

#include "CubeBin.h"
#include "LutMath.h"
#include "OcioTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace looks_test;
using namespace ocio_test;
using zelk::lut::LatticeLut;

namespace {

// A config of our own: a log input, a graded result inside 0..1 (so that
// integer formats hold it), and scene-linear light for a shaper.
const char* const kConfig = R"(ocio_profile_version: 2
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

class OcioFormats : public OcioTest {
protected:
    void SetUp() override
    {
        OcioTest::SetUp();
        writeFile(m_dir.file("made.ocio"), kConfig);
    }
    // Bakes log -> graded (or linear -> graded through a log shaper) with
    // OpenColorIO's Baker and converts the file with zelk-lut.
    std::string make(const std::string& format, const std::string& file, const char* from,
                     const char* shaper = nullptr)
    {
        std::vector<std::string> args = {"bake", m_dir.file("made.ocio"), from, "graded", format,
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

TEST_F(OcioFormats, ThreeDTablesConvertLikeTheSameCube)
{
    const std::string cubeReport = make("iridas_cube", "t.cube", "log");
    EXPECT_NE(cubeReport.find("lattice 33 taken as is"), std::string::npos) << cubeReport;
    const LatticeLut cube = look("t.cube");
    struct Format {
        const char* name;
        const char* file;
        double quantum; // what the file's number format loses
    };
    for (const Format& f :
         {Format{"Academy/ASC Common LUT Format", "t.clf", 1e-6},
          Format{"flame", "t.3dl", 0.5 / 4095 + 1e-6}, Format{"cinespace", "t.csp", 1e-6},
          Format{"spi3d", "t.spi3d", 1e-6}, Format{"truelight", "t.cub", 1e-6}}) {
        const std::string report = make(f.name, f.file, "log");
        EXPECT_NE(report.find("one 3D table: lattice 33 taken as is"), std::string::npos)
            << f.name << ": " << report;
        EXPECT_LE(renderedDifference(look(f.file), cube), f.quantum) << f.name;
    }
}

TEST_F(OcioFormats, ShapedFilesBakeWithinTheReportedDifference)
{
    // Scene-linear input through a log shaper: a 1D and a 3D table in the
    // grading applications' .cube, in CLF and in Cinespace. Each is baked onto
    // lattice 65; the inputs above 1 that the shaper reaches are named.
    const std::string cubeReport = make("resolve_cube", "s.cube", "linear", "log");
    EXPECT_NE(
        cubeReport.find("the 1D shaper table and input ranges baked onto a 0..1 lattice of 65"),
        std::string::npos)
        << cubeReport;
    EXPECT_NE(cubeReport.find("red, green and blue inputs above 1.0, up to 130"), std::string::npos)
        << cubeReport;
    const LatticeLut cube = look("s.cube");
    for (const auto& [format, file] :
         {std::pair{"Academy/ASC Common LUT Format", "s.clf"}, {"cinespace", "s.csp"}}) {
        const std::string report = make(format, file, "linear", "log");
        EXPECT_NE(report.find("baked onto a 0..1 lattice of 65"), std::string::npos) << report;
        EXPECT_NE(report.find("red, green and blue inputs above 1.0, up to 130"), std::string::npos)
            << report;
        const double allowed = reportedDifference(cubeReport) + reportedDifference(report) + 1e-5;
        EXPECT_LE(renderedDifference(look(file), cube), allowed) << format;
    }
}

TEST_F(OcioFormats, ReadingFailuresNameTheFileAndOpenColorIosReason)
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
