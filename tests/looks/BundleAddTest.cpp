// A user's own look, added with zelk-lut to a copy of the built bundle, as a
// host sees it: listed in sorted position and applied by a render, with the
// file of the transfer curve the host picks; a small lattice, subdivided on
// the way in, renders as the source file's own interpolation.

#include "LookRender.h"
#include "LooksTestUtil.h"
#include "LutMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace looks_test;

TEST(BundleAdd, HostListsAndRendersTheAddedLook)
{
    TempDir dir("bundle-add");
    const std::string bundle = dir.file("ZELK-Look-Lib.ofx.bundle");
    fs::copy(ZELK_TEST_BUNDLE, bundle, fs::copy_options::recursive);

    // For Tevo4 the look rotates (r, g, b) to (b, r, g); for Tevo3 to (g, b, r):
    // linear, so the interpolation reproduces it, and lopsided, so an axis
    // mix-up shows.
    writeFile(dir.file("tevo4.cube"), permutationCube(18, 2, 0, 1));
    writeFile(dir.file("tevo3.cube"), permutationCube(18, 1, 2, 0));
    const CommandResult added = zelkLut("add", bundle, "My Rotation", "--tevo4",
                                        dir.file("tevo4.cube"), "--tevo3", dir.file("tevo3.cube"));
    ASSERT_EQ(added.status, 0) << added.output;

    const int width = 4, height = 2;
    std::vector<float> src(width * height * 4);
    for (std::size_t i = 0; i < src.size(); ++i)
        src[i] = float((i * 37) % 101) / 100.0f; // 0..1, every channel different
    LookRender render(bundle, width, height, src);
    ASSERT_NE(render.instance(), nullptr);

    // Listed with the bundled looks, in byte order.
    const std::vector<std::string> options = render.instance()->choiceOptions("printStock");
    EXPECT_TRUE(std::is_sorted(options.begin(), options.end()));
    const auto mine = std::find(options.begin(), options.end(), "My Rotation");
    ASSERT_NE(mine, options.end());
    ASSERT_NE(mine, options.begin());
    ASSERT_NE(mine + 1, options.end());
    EXPECT_EQ(*(mine - 1), "Identity");
    EXPECT_EQ(*(mine + 1), "Neutral Contrast");

    struct Curve {
        const char* option;
        int from[3]; // output channel c takes input channel from[c]
    };
    for (const Curve& curve : {Curve{"Tevo4/QXR4", {2, 0, 1}}, Curve{"Tevo3/QXR3", {1, 2, 0}}}) {
        ASSERT_EQ(render.render("My Rotation", curve.option), kOfxStatOK) << curve.option;
        for (int p = 0; p < width * height; ++p) {
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(render.out(p)[c], render.in(p)[curve.from[c]], 2e-6)
                    << curve.option << " pixel " << p;
            EXPECT_EQ(render.out(p)[3], render.in(p)[3]);
        }
    }
}

TEST(BundleAdd, SmallLatticeRendersAsItsSource)
{
    TempDir dir("bundle-small");
    const std::string bundle = dir.file("ZELK-Look-Lib.ofx.bundle");
    fs::copy(ZELK_TEST_BUNDLE, bundle, fs::copy_options::recursive);

    // A random 9-point table: nothing that linear interpolation flatters.
    const int n = 9;
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    std::vector<float> lattice(3 * n * n * n); // blue fastest, as the plug-in reads it
    for (float& v : lattice)
        v = value(random);
    std::string cube = "LUT_3D_SIZE 9\n";
    char row[96];
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) {
                const float* e = &lattice[3 * ((r * n + g) * n + b)];
                std::snprintf(row, sizeof row, "%.9g %.9g %.9g\n", e[0], e[1], e[2]);
                cube += row;
            }
    writeFile(dir.file("small.cube"), cube);
    const CommandResult added = zelkLut("add", bundle, "Small", "--tevo4", dir.file("small.cube"),
                                        "--tevo3", dir.file("small.cube"));
    ASSERT_EQ(added.status, 0) << added.output;

    // In range, out of range and on the lattice's faces alike.
    const int width = 64, height = 16;
    std::vector<float> src(width * height * 4);
    std::uniform_real_distribution<float> input(-0.2f, 1.2f);
    for (float& v : src)
        v = input(random);
    LookRender render(bundle, width, height, src);
    ASSERT_NE(render.instance(), nullptr);
    ASSERT_EQ(render.render("Small", "Tevo4/QXR4"), kOfxStatOK);
    for (int p = 0; p < width * height; ++p) {
        const float* in = render.in(p);
        const ZelkRgb want = zelk_tetrahedral(lattice.data(), n, in[0], in[1], in[2]);
        EXPECT_NEAR(render.out(p)[0], want.r, 1e-6) << "pixel " << p;
        EXPECT_NEAR(render.out(p)[1], want.g, 1e-6) << "pixel " << p;
        EXPECT_NEAR(render.out(p)[2], want.b, 1e-6) << "pixel " << p;
    }
}
