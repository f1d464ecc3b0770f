// zelk-lut's commands on files, as a user runs them: what each command says,
// exit codes, and that no command ever destroys a file.

#include "CubeBin.h"
#include "CubeBinReport.h"
#include "LooksTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

using namespace zelk::lut;
using namespace looks_test;

namespace {

int temporaryFiles(const fs::path& dir)
{
    int n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        n += e.path().filename().string().find(".tmp") != std::string::npos;
    return n;
}

int latticeOf(const std::string& file)
{
    return inspectCubeBin(readFile(file)).ruleSize;
}

} // namespace

TEST(ZelkLutFiles, NoOutputDestroysWhatIsThere)
{
    TempDir dir("cli-keep");
    const std::string cube = dir.file("look.cube"), bin = dir.file("look.cube.bin");
    writeFile(cube, permutationCube(18, 1, 2, 0));
    const std::string original = readFile(cube);
    ASSERT_EQ(zelkLut("convert", cube, bin).status, 0);
    const std::string binBytes = readFile(bin);

    // The input itself, under its own name or another: refused even with -y.
    ::link(cube.c_str(), dir.file("alias.cube.bin").c_str());
    for (const std::string& out : {cube, dir.file("alias.cube.bin")}) {
        const CommandResult r = zelkLut("convert", cube, out, "-y");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(says(r, out + ": is the input " + cube)) << r.output;
    }

    // What is not a regular file is never replaced by one; a dangling link
    // neither: writing would replace the link, not make its target.
    ::mkfifo(dir.file("fifo").c_str(), 0644);
    fs::create_symlink(bin, dir.file("link.cube.bin"));
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling.cube.bin"));
    fs::create_directory(dir.file("folder.cube.bin"));
    for (const auto& [out, kind] : {std::pair{dir.file("fifo"), "a FIFO"},
                                    {dir.file("link.cube.bin"), "a symbolic link"},
                                    {dir.file("dangling.cube.bin"), "a symbolic link"},
                                    {dir.file("folder.cube.bin"), "a directory"},
                                    {std::string("/dev/null"), "a device"}}) {
        const CommandResult r = zelkLut("convert", cube, out, "-y");
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_TRUE(says(r, out + ": exists and is " + kind + ", not a regular file")) << r.output;
    }
    EXPECT_TRUE(fs::is_fifo(dir.file("fifo")));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.cube.bin")));
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));

    // An existing file needs -y (or --force), for every command that writes.
    const std::string other = dir.file("other.cube");
    writeFile(other, permutationCube(20));
    CommandResult r = zelkLut("convert", other, bin);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, bin + ": exists already (-y or --force replaces it)")) << r.output;
    EXPECT_EQ(zelkLut("export", bin, other).status, 1);
    EXPECT_TRUE(readFile(bin) == binBytes);
    EXPECT_EQ(zelkLut("convert", other, bin, "-y").status, 0);
    EXPECT_EQ(latticeOf(bin), 20);
    const std::string looks = dir.file("looks");
    ASSERT_EQ(zelkLut("generate", looks, "--size", "18", "-q").status, 0);
    EXPECT_EQ(zelkLut("generate", looks, "--size", "18").status, 1);
    EXPECT_EQ(zelkLut("generate", looks, "--size", "18", "-y", "-q").status, 0);

    EXPECT_EQ(readFile(cube), original);
    EXPECT_EQ(temporaryFiles(dir.path()), 0);
}

TEST(ZelkLutFiles, FailuresNameTheProblemAndWriteNothing)
{
    TempDir dir("cli-fail");
    const std::string bad = dir.file("bad.cube"), out = dir.file("out.cube.bin");
    writeFile(bad, "LUT_3D_SIZE 2\n0 0 0\n1 0 0\n0 1\n");
    CommandResult r = zelkLut("convert", bad, out);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, bad + ":4: a row needs exactly three numbers, found 2")) << r.output;
    EXPECT_FALSE(fs::exists(out));

    // Export refuses a file the plug-in could not use as a whole lattice.
    const std::string truncated = dir.file("t.cube.bin");
    writeFile(truncated, encodeCubeBin(identityLattice(18)).substr(0, 100));
    r = zelkLut("export", truncated, dir.file("t.cube"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, truncated + ": truncated")) << r.output;
    EXPECT_FALSE(fs::exists(dir.file("t.cube")));
    EXPECT_EQ(temporaryFiles(dir.path()), 0);

    // Usage errors: exit status 2 with the command's usage.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"convert", bad},
          {"frobnicate"},
          {"convert", bad, out, "--size", "300"},
          {"convert", bad, out, "--tevo4", bad},
          {"export", "B", "N", "out.cube", "--curve", "tevo5"}}) {
        r = zelkLutArgs(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_TRUE(says(r, "usage:")) << r.output;
    }
    for (const char* command : {"generate", "convert", "export", "info", "list", "add", "remove",
                                "bake", "ocio-config"}) {
        r = zelkLut(command, "--help");
        EXPECT_EQ(r.status, 0) << command << ": " << r.output;
        EXPECT_TRUE(says(r, std::string("usage:\n  zelk-lut ") + command + " ")) << r.output;
    }
}

TEST(ZelkLutFiles, ConvertAndInfoSayWhatConvertingCosts)
{
    TempDir dir("cli-cost");
    // 17 points, common from grading applications: subdivided exactly, unless
    // --size forces a re-sampling, with its measured difference.
    const std::string small = dir.file("small.cube"), smallBin = dir.file("small.cube.bin");
    writeFile(small, "TITLE Film look v2\n" + permutationCube(17));
    CommandResult r = zelkLut("convert", small, smallBin);
    EXPECT_TRUE(says(r, "lattice 17 subdivided exactly to 33")) << r.output;
    EXPECT_EQ(latticeOf(smallBin), 33);
    r = zelkLut("info", small);
    EXPECT_TRUE(says(r, "title: \"Film look v2\"")) << r.output;
    EXPECT_TRUE(says(r, "convert: lattice 17 subdivided exactly to 33")) << r.output;
    r = zelkLut("convert", small, smallBin, "--size", "18", "-y");
    EXPECT_TRUE(says(r, "resampled from lattice 17 to 18")) << r.output;
    EXPECT_TRUE(says(r, "largest difference from the source at 262144 points")) << r.output;
    EXPECT_EQ(latticeOf(smallBin), 18);

    // A shaper reaching 16: every input above 1 clamps, and info says so.
    const std::string shaper = dir.file("shaper.cube");
    writeFile(shaper, "LUT_1D_SIZE 2\nLUT_3D_SIZE 2\nLUT_1D_INPUT_RANGE 0 16\n0 0 0\n1 1 1\n"
                      "0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n");
    r = zelkLut("info", shaper);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "the 1D shaper table and input ranges baked onto a 0..1 lattice of 65"))
        << r.output;
    EXPECT_TRUE(says(r, "red, green and blue inputs above 1.0, up to 16.0, clamp to 1.0"))
        << r.output;

    // A .cube.bin: whether the plug-in applies it, and what convert and add will do.
    writeFile(dir.file("17.cube.bin"), encodeCubeBin(identityLattice(17)));
    r = zelkLut("info", dir.file("17.cube.bin"));
    EXPECT_TRUE(says(r, "plug-in: does not apply it: its lattice of 17 points per axis is below"))
        << r.output;
    EXPECT_TRUE(says(r, "convert and add: subdivide it exactly to lattice 33")) << r.output;
    writeFile(dir.file("18.cube.bin"), encodeCubeBin(identityLattice(18)));
    EXPECT_TRUE(says(zelkLut("info", dir.file("18.cube.bin")), "plug-in: applies it"));

    // Export warns above the largest lattice OpenColorIO reads, and only there.
    writeFile(dir.file("130.cube.bin"), encodeCubeBin(identityLattice(130)));
    r = zelkLut("export", dir.file("130.cube.bin"), dir.file("130.cube"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "warning: lattice 130 is above 129, the largest OpenColorIO reads"))
        << r.output;
    EXPECT_FALSE(says(zelkLut("export", dir.file("18.cube.bin"), dir.file("18.cube")), "warning"));
}
