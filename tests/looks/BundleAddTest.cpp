// A user's own look, added with zelk-lut to a copy of the built bundle, as a
// host sees it: listed in sorted position and applied by a render, with the
// file of the transfer curve the host picks. (That a subdivided small lattice
// interpolates as its source does: BakeTest.cpp.)

#include "LookRender.h"
#include "LooksTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_NE(std::find(options.begin(), options.end(), "Identity"), options.end());
    EXPECT_NE(std::find(options.begin(), options.end(), "My Rotation"), options.end());

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
