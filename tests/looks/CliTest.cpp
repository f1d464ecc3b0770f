// The zelk-lut command as a user runs it: round trips, messages and exit
// codes, and that a failure never leaves a partial or damaged file.

#include "CubeBin.h"
#include "CubeBinReport.h"
#include "CubeText.h"
#include "Generate.h"
#include "LooksTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using namespace zelk::lut;
using namespace looks_test;

namespace {

const std::string kResources = std::string(ZELK_TEST_BUNDLE) + "/Contents/Resources";

} // namespace

TEST(ZelkLut, GeneratedLookSurvivesExportAndConvert)
{
    TempDir dir("cli-rt");
    for (const char* sub : {"looks_bin_tevo", "looks_bin_tevo4"}) {
        const std::string look = kResources + "/" + sub + "/Film Print.cube.bin";
        const std::string cube = dir.file(std::string(sub) + ".cube");
        const std::string bin = dir.file(std::string(sub) + ".cube.bin");
        CommandResult r = zelkLut("export", look, cube);
        ASSERT_EQ(r.status, 0) << r.output;
        r = zelkLut("convert", cube, bin);
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_NE(r.output.find("taken as is"), std::string::npos) << r.output;
        EXPECT_TRUE(readFile(bin) == readFile(look)) << sub << ": bytes differ";
    }
}

TEST(ZelkLut, FailuresNameTheProblemAndWriteNothing)
{
    TempDir dir("cli-fail");
    const std::string bad = dir.file("bad.cube");
    writeFile(bad, "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1\n");
    const std::string out = dir.file("out.cube.bin");

    CommandResult r = zelkLut("convert", bad, out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(bad + ":4: a row needs exactly three numbers, found 2"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(out));

    // An existing output survives a failed conversion untouched.
    writeFile(out, "previous");
    EXPECT_EQ(zelkLut("convert", bad, out).status, 1);
    EXPECT_EQ(readFile(out), "previous");
    // No temporary file is left behind either.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir.path()))
        entries += e.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(entries, 0);

    // Small lattices are refused without --size and accepted with it.
    const std::string small = dir.file("small.cube");
    writeFile(small, permutationCube(17));
    r = zelkLut("convert", small, out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("below the 18 the plug-in applies; pass --size"), std::string::npos);
    EXPECT_EQ(readFile(out), "previous");
    r = zelkLut("convert", small, out, "--size", "18");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(inspectCubeBin(readFile(out)).applied);

    // Export refuses a file the plug-in could not use as a whole lattice.
    const std::string truncated = dir.file("t.cube.bin");
    writeFile(truncated, readFile(out).substr(0, 100));
    r = zelkLut("export", truncated, dir.file("t.cube"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(truncated + ": truncated"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir.file("t.cube")));

    // Usage errors: exit status 2 with the usage.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"convert", bad}, std::vector<std::string>{"frobnicate"},
          std::vector<std::string>{"convert", bad, out, "--size", "300"}}) {
        r = zelkLutArgs(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.output.find("usage:"), std::string::npos);
    }
}

TEST(ZelkLut, InfoSaysWhetherThePlugInAppliesAFile)
{
    TempDir dir("cli-info");
    LatticeLut lut = identityLattice(17);
    writeFile(dir.file("17.cube.bin"), encodeCubeBin(lut));
    CommandResult r = zelkLut("info", dir.file("17.cube.bin"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("lattice: 17 points per axis"), std::string::npos) << r.output;
    EXPECT_NE(
        r.output.find("plug-in: does not apply it: its lattice of 17 points per axis is below"),
        std::string::npos)
        << r.output;

    writeFile(dir.file("18.cube.bin"), encodeCubeBin(identityLattice(18)));
    r = zelkLut("info", dir.file("18.cube.bin"));
    EXPECT_NE(r.output.find("plug-in: applies it"), std::string::npos) << r.output;

    writeFile(dir.file("d.cube"), "TITLE \"wide\"\nLUT_3D_SIZE 2\nDOMAIN_MAX 4 4 4\n"
                                  "0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n");
    r = zelkLut("info", dir.file("d.cube"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("title: \"wide\""), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("convert: refuses:"), std::string::npos) << r.output;
    r = zelkLut("info", dir.file("d.cube"), "--size", "33");
    EXPECT_NE(r.output.find("baked onto a 0..1 lattice of 33"), std::string::npos) << r.output;
}

TEST(ZelkLut, AddInstallsBothCurvesOrNothing)
{
    TempDir dir("cli-add");
    // A skeleton bundle: only the look directories matter to `add`.
    const std::string bundle = dir.file("Test.ofx.bundle");
    for (const char* looks : {"looks_bin_tevo", "looks_bin_tevo4"})
        fs::create_directories(bundle + "/Contents/Resources/" + looks);
    const std::string good = dir.file("good.cube");
    writeFile(good, permutationCube(18));
    const std::string bad = dir.file("bad.cube");
    writeFile(bad, "LUT_3D_SIZE 18\n0 0 0\n");
    const std::string file4 = bundle + "/Contents/Resources/looks_bin_tevo4/Mine.cube.bin";
    const std::string file3 = bundle + "/Contents/Resources/looks_bin_tevo/Mine.cube.bin";

    CommandResult r = zelkLut("add", bundle, "Mine", "--tevo4", good, "--tevo3", bad);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(bad + ":2: only 1 of the 5832 rows"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(file4));
    EXPECT_FALSE(fs::exists(file3));

    r = zelkLut("add", bundle, "Mine", "--tevo4", good, "--tevo3", good);
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string installed = readFile(file4);
    EXPECT_EQ(inspectCubeBin(installed).ruleSize, 18);
    EXPECT_TRUE(installed == readFile(file3));
    // Nothing but the two looks lands in the look directories.
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(bundle))
        files += e.is_regular_file();
    EXPECT_EQ(files, 2);

    // An existing look is kept unless --force.
    writeFile(dir.file("other.cube"), permutationCube(20));
    r = zelkLut("add", bundle, "Mine", "--tevo4", dir.file("other.cube"), "--tevo3", good);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("exists already (--force replaces it)"), std::string::npos);
    EXPECT_TRUE(readFile(file4) == installed);
    r = zelkLut("add", bundle, "Mine", "--tevo4", dir.file("other.cube"), "--tevo3", good,
                "--force");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(inspectCubeBin(readFile(file4)).ruleSize, 20);

    // Names that would escape the directory or hide, and non-bundles.
    EXPECT_EQ(zelkLut("add", bundle, "../x", "--tevo4", good, "--tevo3", good).status, 2);
    EXPECT_EQ(zelkLut("add", bundle, ".hidden", "--tevo4", good, "--tevo3", good).status, 2);
    EXPECT_EQ(zelkLut("add", bundle, "Mine", "--tevo4", good).status, 2);
    r = zelkLut("add", dir.file("nowhere"), "Mine", "--tevo4", good, "--tevo3", good);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("not a plug-in bundle"), std::string::npos);
}
