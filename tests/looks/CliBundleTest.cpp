// zelk-lut's commands on a bundle's looks by name: add, remove, list and
// export, each all or nothing, and safe when several run at once.

#include "CubeBin.h"
#include "CubeBinReport.h"
#include "LooksTestUtil.h"
#include "LutMath.h"
#include "TransferCurves.h"

#include <gtest/gtest.h>

#include <random>
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
    std::string tevo4(const std::string& name) const { return file("looks_bin_tevo4", name); }
    std::string tevo3(const std::string& name) const { return file("looks_bin_tevo", name); }
    int lattice4(const std::string& name) const
    {
        return inspectCubeBin(readFile(tevo4(name))).ruleSize;
    }
    // Regular files in the look directories.
    int lookFiles() const
    {
        int n = 0;
        for (const char* looks : {"looks_bin_tevo", "looks_bin_tevo4"})
            for (const auto& e : fs::directory_iterator(path + "/Contents/Resources/" + looks))
                n += e.is_regular_file();
        return n;
    }
    std::string file(const char* curveDir, const std::string& name) const
    {
        return path + "/Contents/Resources/" + curveDir + "/" + name + ".cube.bin";
    }
    std::string path;
};

} // namespace

TEST(ZelkLutBundle, AddInstallsBothCurvesOrNothing)
{
    TempDir dir("cli-add");
    const Bundle bundle(dir);
    const std::string good = dir.file("good.cube"), bad = dir.file("bad.cube");
    writeFile(good, permutationCube(18));
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
    EXPECT_EQ(bundle.lattice4("Mine"), 18);
    EXPECT_TRUE(installed == readFile(bundle.tevo3("Mine")));

    // An existing look is kept unless --force.
    const std::string other = dir.file("other.cube");
    writeFile(other, permutationCube(20));
    r = zelkLut("add", bundle.path, "Mine", "--tevo4", other, "--tevo3", good);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "a look named 'Mine' exists already (--force replaces it)")) << r.output;
    EXPECT_TRUE(readFile(bundle.tevo4("Mine")) == installed);
    r = zelkLut("add", bundle.path, "Mine", "--tevo4", other, "--tevo3", good, "--force");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(bundle.lattice4("Mine"), 20);

    // Half a look left by another tool blocks with a clear word, --force mends it.
    writeFile(bundle.tevo4("Half"), installed);
    r = zelkLut("add", bundle.path, "Half", "--tevo4", good, "--tevo3", good);
    EXPECT_TRUE(says(r, "exists already (only its Tevo4/QXR4 file) (--force replaces it)"))
        << r.output;
    EXPECT_EQ(zelkLut("add", bundle.path, "Half", "--tevo4", good, "--tevo3", good, "-y").status,
              0);
    EXPECT_EQ(bundle.lookFiles(), 4);

    // Names that would escape the directory or hide, half a command line, and non-bundles.
    for (const char* name : {"../x", ".hidden"})
        EXPECT_EQ(zelkLut("add", bundle.path, name, "--tevo4", good, "--tevo3", good).status, 2);
    EXPECT_EQ(zelkLut("add", bundle.path, "Mine", "--tevo4", good).status, 2);
    EXPECT_EQ(zelkLut("add", bundle.path, "M", "--tevo4", good, "--tevo3", good, "--derive").status,
              2);
    r = zelkLut("add", dir.file("nowhere"), "Mine", "--tevo4", good, "--tevo3", good);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "not a plug-in bundle")) << r.output;
    EXPECT_EQ(bundle.lookFiles(), 4);
}

TEST(ZelkLutBundle, ConcurrentAddsOfOneNameGiveOneSuccess)
{
    TempDir dir("cli-race");
    const Bundle bundle(dir);
    const int runs = 8;
    std::vector<CommandResult> results(runs);
    std::vector<std::thread> threads;
    for (int i = 0; i < runs; ++i) {
        const std::string input = dir.file("in" + std::to_string(i) + ".cube");
        writeFile(input, permutationCube(18 + i));
        threads.emplace_back([&, i, input] {
            results[i] = zelkLut("add", bundle.path, "Race", "--tevo4", input, "--tevo3", input);
        });
    }
    for (std::thread& t : threads)
        t.join();
    int winner = -1, wins = 0, refused = 0;
    for (int i = 0; i < runs; ++i) {
        if (results[i].status == 0)
            winner = i, ++wins;
        refused += results[i].status == 1 && says(results[i], "exists already");
    }
    ASSERT_EQ(wins, 1);
    EXPECT_EQ(refused, runs - 1);
    // Both files come from the one that succeeded.
    EXPECT_EQ(bundle.lattice4("Race"), 18 + winner);
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

    // Export by name gives the bundle's file back as text.
    r = zelkLut("export", bundle.path, "alpha", dir.file("alpha3.cube"), "--curve", "tevo3");
    ASSERT_EQ(r.status, 0) << r.output;
    r = zelkLut("convert", dir.file("alpha3.cube"), dir.file("alpha3.cube.bin"));
    EXPECT_TRUE(readFile(dir.file("alpha3.cube.bin")) == readFile(bundle.tevo3("alpha")));
    r = zelkLut("export", bundle.path, "gamma", dir.file("g.cube"), "--curve", "tevo4");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "no look named 'gamma' for tevo4")) << r.output;

    // Remove takes both files, and only those; nothing temporary or moved aside stays.
    EXPECT_EQ(zelkLut("remove", bundle.path, "beta").status, 0);
    EXPECT_FALSE(fs::exists(bundle.tevo4("beta")));
    EXPECT_FALSE(fs::exists(bundle.tevo3("beta")));
    r = zelkLut("remove", bundle.path, "beta");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(says(r, "no look named 'beta'")) << r.output;
    EXPECT_EQ(zelkLut("remove", bundle.path, "orphan").status, 0);
    EXPECT_EQ(bundle.lookFiles(), 4);
    for (const auto& e : fs::recursive_directory_iterator(bundle.path))
        EXPECT_TRUE(e.is_directory() || e.path().filename() == ".zelk-lut.lock" ||
                    e.path().extension() == ".bin")
            << e.path();
}

TEST(ZelkLutBundle, DeriveBuildsTheOtherCurveThroughTheCurveDefinitions)
{
    TempDir dir("cli-derive");
    const Bundle bundle(dir);
    // A random table: the interpolation between its points shows, unlike a linear one's.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    LatticeLut source = makeLattice(18);
    for (float& v : source.values)
        v = value(random);
    writeFile(dir.file("a.cube.bin"), encodeCubeBin(source));
    const struct {
        const char* name;
        TransferCurve from, to;
        int size;
        std::vector<std::string> says; // what the report names: lattice, clamped codes
    } cases[] = {
        {"D",
         TransferCurve::Tevo4,
         TransferCurve::Tevo3,
         65,
         {"Tevo3/QXR3: derived: derived at lattice 65 from the Tevo4/QXR4 look",
          "Tevo3/QXR3 codes below 0.05", "largest difference from the Tevo4/QXR4 look"}},
        {"E", TransferCurve::Tevo3, TransferCurve::Tevo4, 20, {"Tevo4/QXR4 codes above 0.89"}},
    };
    for (const auto& c : cases) {
        const bool from4 = c.from == TransferCurve::Tevo4;
        std::vector<std::string> args = {
            "add",     bundle.path, c.name, from4 ? "--tevo4" : "--tevo3", dir.file("a.cube.bin"),
            "--derive"};
        if (c.size != 65) // 65 is the default
            args.insert(args.end(), {"--size", std::to_string(c.size)});
        const CommandResult r = zelkLutArgs(args);
        ASSERT_EQ(r.status, 0) << r.output;
        for (const std::string& text : c.says)
            EXPECT_TRUE(says(r, text)) << r.output;
        // The look for `to` at a code is the source look at `from`'s code of the
        // same light (clamped, as the plug-in clamps, where `from` ends).
        const std::string file = from4 ? bundle.tevo3(c.name) : bundle.tevo4(c.name);
        const LatticeLut derived = parseCubeBin(readFile(file), file);
        ASSERT_EQ(derived.size, c.size);
        for (int k = 0; k < 200; ++k) {
            const int idx[3] = {int(random() % c.size), int(random() % c.size),
                                int(random() % c.size)};
            float code[3];
            for (int i = 0; i < 3; ++i)
                code[i] =
                    float(encodeCurve(c.from, decodeCurve(c.to, idx[i] / double(c.size - 1))));
            const ZelkRgb want =
                zelk_tetrahedral(source.values.data(), 18, code[0], code[1], code[2]);
            const float* got = derived.entry(idx[0], idx[1], idx[2]);
            EXPECT_NEAR(got[0], want.r, 1e-6) << c.name;
            EXPECT_NEAR(got[1], want.g, 1e-6) << c.name;
            EXPECT_NEAR(got[2], want.b, 1e-6) << c.name;
        }
    }
}
