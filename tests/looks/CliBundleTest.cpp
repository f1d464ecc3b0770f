// zelk-lut's commands on a bundle's looks by name: add, remove, list and
// export, each all or nothing, and safe when several run at once.

#include "CubeBin.h"
#include "CubeBinReport.h"
#include "Derive.h"
#include "LooksTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace zelk::lut;
using namespace looks_test;

namespace {

// A skeleton bundle: only the look directories matter to these commands.
struct Bundle {
    explicit Bundle(const TempDir& dir) : path(dir.file("Test.ofx.bundle"))
    {
        for (const char* looks : {"looks_bin_tevo", "looks_bin_tevo4"})
            fs::create_directories(path + "/Contents/Resources/" + looks);
    }
    std::string file(const char* curveDir, const std::string& name) const
    {
        return path + "/Contents/Resources/" + curveDir + "/" + name + ".cube.bin";
    }
    std::string tevo4(const std::string& name) const { return file("looks_bin_tevo4", name); }
    std::string tevo3(const std::string& name) const { return file("looks_bin_tevo", name); }
    // Regular files in the look directories.
    int lookFiles() const
    {
        int n = 0;
        for (const char* looks : {"looks_bin_tevo", "looks_bin_tevo4"})
            for (const auto& e : fs::directory_iterator(path + "/Contents/Resources/" + looks))
                n += e.is_regular_file();
        return n;
    }
    std::string path;
};

} // namespace

TEST(ZelkLutBundle, AddInstallsBothCurvesOrNothing)
{
    TempDir dir("cli-add");
    const Bundle bundle(dir);
    const std::string good = dir.file("good.cube");
    writeFile(good, permutationCube(18));
    const std::string bad = dir.file("bad.cube");
    writeFile(bad, "LUT_3D_SIZE 18\n0 0 0\n");

    CommandResult r = zelkLut("add", bundle.path, "Mine", "--tevo4", good, "--tevo3", bad);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, bad + ":2: only 1 of the 5832 rows")) << r.output;
    EXPECT_EQ(bundle.lookFiles(), 0);

    // The same file for both curves works, with a warning that the curves differ.
    r = zelkLut("add", bundle.path, "Mine", "--tevo4", good, "--tevo3", good);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "warning: the same file for both curves")) << r.output;
    const std::string installed = readFile(bundle.tevo4("Mine"));
    EXPECT_EQ(inspectCubeBin(installed).ruleSize, 18);
    EXPECT_TRUE(installed == readFile(bundle.tevo3("Mine")));
    EXPECT_EQ(bundle.lookFiles(), 2);

    // An existing look is kept unless --force.
    const std::string other = dir.file("other.cube");
    writeFile(other, permutationCube(20));
    r = zelkLut("add", bundle.path, "Mine", "--tevo4", other, "--tevo3", good);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "a look named 'Mine' exists already (--force replaces it)")) << r.output;
    EXPECT_TRUE(readFile(bundle.tevo4("Mine")) == installed);
    r = zelkLut("add", bundle.path, "Mine", "--tevo4", other, "--tevo3", good, "--force");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(says(r, "warning")) << r.output;
    EXPECT_EQ(inspectCubeBin(readFile(bundle.tevo4("Mine"))).ruleSize, 20);

    // Half a look left by another tool blocks with a clear word, --force mends it.
    writeFile(bundle.tevo4("Half"), installed);
    r = zelkLut("add", bundle.path, "Half", "--tevo4", good, "--tevo3", good);
    EXPECT_TRUE(says(r, "exists already (only its Tevo4/QXR4 file) (--force replaces it)"))
        << r.output;
    EXPECT_EQ(zelkLut("add", bundle.path, "Half", "--tevo4", good, "--tevo3", good, "-y").status,
              0);

    // Names that would escape the directory or hide, and non-bundles.
    EXPECT_EQ(zelkLut("add", bundle.path, "../x", "--tevo4", good, "--tevo3", good).status, 2);
    EXPECT_EQ(zelkLut("add", bundle.path, ".hidden", "--tevo4", good, "--tevo3", good).status, 2);
    EXPECT_EQ(zelkLut("add", bundle.path, "Mine", "--tevo4", good).status, 2);
    EXPECT_EQ(zelkLut("add", bundle.path, "M", "--tevo4", good, "--tevo3", good, "--derive").status,
              2);
    r = zelkLut("add", dir.file("nowhere"), "Mine", "--tevo4", good, "--tevo3", good);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "not a plug-in bundle")) << r.output;
}

TEST(ZelkLutBundle, ConcurrentAddsOfOneNameGiveOneSuccess)
{
    TempDir dir("cli-race");
    const Bundle bundle(dir);
    std::vector<std::string> inputs;
    for (int i = 0; i < 8; ++i) {
        inputs.push_back(dir.file("in" + std::to_string(i) + ".cube"));
        writeFile(inputs.back(), permutationCube(18 + i));
    }
    std::vector<CommandResult> results(inputs.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        threads.emplace_back([&, i] {
            results[i] =
                zelkLut("add", bundle.path, "Race", "--tevo4", inputs[i], "--tevo3", inputs[i]);
        });
    for (std::thread& t : threads)
        t.join();
    int winner = -1, refused = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].status == 0)
            winner = winner < 0 ? int(i) : 100;
        refused += results[i].status == 1 && says(results[i], "exists already");
    }
    ASSERT_TRUE(winner >= 0 && winner < 100) << "successes: more or fewer than one";
    EXPECT_EQ(refused, 7);
    // Both files come from the one that succeeded.
    EXPECT_EQ(inspectCubeBin(readFile(bundle.tevo4("Race"))).ruleSize, 18 + winner);
    EXPECT_EQ(inspectCubeBin(readFile(bundle.tevo3("Race"))).ruleSize, 18 + winner);
    EXPECT_EQ(bundle.lookFiles(), 2);
}

TEST(ZelkLutBundle, ListRemoveAndExportByName)
{
    TempDir dir("cli-names");
    const Bundle bundle(dir);
    const std::string a = dir.file("a.cube"), b = dir.file("b.cube");
    writeFile(a, permutationCube(18));
    writeFile(b, permutationCube(9, 2, 1, 0));
    for (const char* name : {"beta", "Beta", "alpha"})
        ASSERT_EQ(zelkLut("add", bundle.path, name, "--tevo4", a, "--tevo3", b).status, 0);
    writeFile(bundle.tevo4("orphan"), readFile(bundle.tevo4("alpha")));

    // Byte order (capitals first), both curves' lattices, the orphan apart.
    CommandResult r = zelkLut("list", bundle.path);
    EXPECT_EQ(r.status, 0) << r.output;
    const std::size_t beta = r.output.find("  Beta    Tevo4/QXR4 18, Tevo3/QXR3 33\n");
    const std::size_t alpha = r.output.find("  alpha   Tevo4/QXR4 18, Tevo3/QXR3 33\n");
    const std::size_t beta2 = r.output.find("  beta    Tevo4/QXR4 18, Tevo3/QXR3 33\n");
    const std::size_t orphan = r.output.find("not listed by the host (no Tevo3/QXR3 file):\n"
                                             "  orphan  Tevo4/QXR4 18, Tevo3/QXR3 missing\n");
    EXPECT_TRUE(beta < alpha && alpha < beta2 && beta2 < orphan && orphan != std::string::npos)
        << r.output;
    EXPECT_TRUE(says(r, ": 3 looks, in the order the host shows them")) << r.output;

    // Export by name gives the bundle's file back as text.
    r = zelkLut("export", bundle.path, "alpha", dir.file("alpha3.cube"), "--curve", "tevo3");
    ASSERT_EQ(r.status, 0) << r.output;
    r = zelkLut("convert", dir.file("alpha3.cube"), dir.file("alpha3.cube.bin"));
    EXPECT_TRUE(readFile(dir.file("alpha3.cube.bin")) == readFile(bundle.tevo3("alpha")));
    r = zelkLut("export", bundle.path, "gamma", dir.file("g.cube"), "--curve", "tevo4");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "no look named 'gamma' for tevo4")) << r.output;

    // Remove takes both files, and only those.
    r = zelkLut("remove", bundle.path, "beta");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(bundle.tevo4("beta")));
    EXPECT_FALSE(fs::exists(bundle.tevo3("beta")));
    EXPECT_TRUE(fs::exists(bundle.tevo3("Beta")));
    r = zelkLut("remove", bundle.path, "beta");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "no look named 'beta'")) << r.output;
    EXPECT_EQ(zelkLut("remove", bundle.path, "orphan").status, 0);
    EXPECT_EQ(bundle.lookFiles(), 4);
    // No temporary or moved-aside file is left in the bundle.
    for (const auto& e : fs::recursive_directory_iterator(bundle.path))
        EXPECT_TRUE(e.is_directory() || e.path().filename() == ".zelk-lut.lock" ||
                    e.path().extension() == ".bin")
            << e.path();
}

TEST(ZelkLutBundle, DeriveBuildsTheOtherCurveThroughTheCurveDefinitions)
{
    TempDir dir("cli-derive");
    const Bundle bundle(dir);
    const std::string a = dir.file("a.cube");
    writeFile(a, permutationCube(18, 2, 0, 1));
    CommandResult r = zelkLut("add", bundle.path, "D", "--tevo4", a, "--derive");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "Tevo3/QXR3: derived: derived at lattice 65 from the Tevo4/QXR4 look"))
        << r.output;
    EXPECT_TRUE(says(r, "Tevo3/QXR3 codes below 0.05")) << r.output;
    EXPECT_TRUE(says(r, "largest difference from the Tevo4/QXR4 look through the curve change"))
        << r.output;
    const LatticeLut source = parseCubeBin(readFile(bundle.tevo4("D")), "D");
    const LatticeLut derived = deriveLook(source, TransferCurve::Tevo4, TransferCurve::Tevo3, 65);
    EXPECT_TRUE(readFile(bundle.tevo3("D")) == encodeCubeBin(derived));

    r = zelkLut("add", bundle.path, "E", "--tevo3", a, "--derive", "--size", "20");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(says(r, "Tevo4/QXR4 codes above 0.89")) << r.output;
    EXPECT_EQ(inspectCubeBin(readFile(bundle.tevo4("E"))).ruleSize, 20);
}
