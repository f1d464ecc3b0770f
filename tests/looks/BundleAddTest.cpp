// A user's own look, added with zelk-lut to a copy of the built bundle, as a
// host sees it: listed in sorted position and applied by a render, with the
// file of the transfer curve the host picks.

#include "LooksTestUtil.h"

#include <ofxhost/Host.h>
#include <ofxhost/Instance.h>

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

    ofxhost::Host host;
    ofxhost::Effect* effect = host.loadBundle(bundle).effect("com.ZELKOpenFX.ZELKLookLib");
    ASSERT_NE(effect, nullptr);
    std::unique_ptr<ofxhost::Instance> instance = effect->createInstance();

    // Listed with the bundled looks, in byte order.
    const std::vector<std::string> options = instance->choiceOptions("printStock");
    EXPECT_TRUE(std::is_sorted(options.begin(), options.end()));
    const auto mine = std::find(options.begin(), options.end(), "My Rotation");
    ASSERT_NE(mine, options.end());
    ASSERT_NE(mine, options.begin());
    ASSERT_NE(mine + 1, options.end());
    EXPECT_EQ(*(mine - 1), "Identity");
    EXPECT_EQ(*(mine + 1), "Neutral Contrast");

    const int width = 4, height = 2;
    std::vector<float> src(width * height * 4), dst(src.size(), -1.0f);
    for (std::size_t i = 0; i < src.size(); ++i)
        src[i] = float((i * 37) % 101) / 100.0f; // 0..1, every channel different
    const OfxRectI bounds{0, 0, width, height};
    ofxhost::ImageDesc image;
    image.rowBytes = width * 16;
    image.bounds = bounds;
    image.data = src.data();
    instance->setClipImage("Source", image);
    image.data = dst.data();
    instance->setClipImage("Output", image);
    instance->setChoice("printStock", "My Rotation");
    instance->setParam("color", 1.0);

    struct Curve {
        const char* option;
        int from[3]; // output channel c takes input channel from[c]
    };
    for (const Curve& curve : {Curve{"Tevo4/QXR4", {2, 0, 1}}, Curve{"Tevo3/QXR3", {1, 2, 0}}}) {
        instance->setChoice("colorSpaceTransform", curve.option);
        ASSERT_EQ(instance->render(0.0, bounds), kOfxStatOK) << curve.option;
        for (int p = 0; p < width * height; ++p) {
            const float* in = &src[4 * p];
            const float* out = &dst[4 * p];
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(out[c], in[curve.from[c]], 2e-6) << curve.option << " pixel " << p;
            EXPECT_EQ(out[3], in[3]);
        }
    }
}
