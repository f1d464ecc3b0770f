// The render action through the bundle and our host: the log, the look cache,
// aborts, the render window, the CPU bands and the identity and change actions.
// (Renders that write nothing: RenderFailureTest.cpp.)

#include <atomic>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

// The plug-in's own lines, one a line: without the support layer's action brackets.
std::string pluginText(const LogTail& log)
{
    std::string kept;
    for (const std::string& line : log.lines()) {
        if (line.rfind("START ", 0) != 0 && line.rfind("STOP ", 0) != 0) {
            kept += line + "\n";
        }
    }
    return kept;
}

class RenderSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A and B differ per curve so the chosen directory is visible in the output.
        writeLookFile(bundle.lookDirTevo4() / "A.cube.bin", constantLut(18, 0.25f));
        writeLookFile(bundle.lookDir() / "A.cube.bin", constantLut(18, 0.75f));
        writeLookFile(bundle.lookDirTevo4() / "B.cube.bin", constantLut(18, 0.5f));
        writeLookFile(bundle.lookDir() / "B.cube.bin", constantLut(18, 0.125f));
    }

    TestBundle bundle;
};

} // namespace

TEST_F(RenderSetup, LogLinesOfARenderInOrder)
{
    LogTail log;
    Session session(bundle);
    Frame src(OfxRectI{2, 3, 10, 8}, 0.5f);
    Frame dst(OfxRectI{2, 3, 10, 8}, 0.0f);
    ASSERT_EQ(session.render(src, dst, nullptr, 7.9), kOfxStatOK);
    // Described in the filter and the general context, then the render.
    const std::string described = "ZELKLooksFactory::describeInContext\n" + bundle.path() + "\n";
    EXPECT_EQ(pluginText(log),
              described + described +
                  "RenderLook::RenderLook\nRenderLook::setupAndProcess\ndstBitDepth = 4\n"
                  "dstComponents = 1\nsrcBitDepth = 4\nsrcComponents = 1\nzeroRect = 0/0 8/5\n"
                  "frame = 7\ncurr index = 0\nA.cube.bin\nlookname = A.cube.bin\n"
                  "read_triplets size: 5832\nColor\nprocessing via CPU\nDONE\n");
    EXPECT_EQ(dst.pixels[0], 0.25f);
    EXPECT_EQ(session.instance().liveImageCount(), 0);
}

TEST_F(RenderSetup, LookCacheFollowsLookAndCurve)
{
    Session session(bundle);
    Frame src(4, 2, 0.5f);
    Frame dst(4, 2, 0.0f);

    // Curve 0 reads the Tevo4 directory, only on the first render.
    LogTail first;
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    ASSERT_EQ(session.render(src, dst, nullptr, 1.0), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.25f);
    EXPECT_EQ(first.count("lookname = A.cube.bin"), 1);

    // A curve switch reloads the same look from the other directory, and back.
    LogTail switched;
    session.instance().setChoice("colorSpaceTransform", "Tevo3/QXR3");
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.75f);
    session.instance().setParam("colorSpaceTransform", 0);
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.25f);
    EXPECT_EQ(switched.count("lookname = A.cube.bin"), 2);

    // Intensity and frame changes never reload; a look change does.
    LogTail later;
    session.instance().setParam("color", 0.5);
    ASSERT_EQ(session.render(src, dst, nullptr, 5.0), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.375f);
    session.instance().setChoice("printStock", "B");
    session.instance().setParam("color", 1.0);
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.5f);
    EXPECT_EQ(later.count("lookname = A.cube.bin"), 0);
    EXPECT_EQ(later.count("lookname = B.cube.bin"), 1);
}

TEST_F(RenderSetup, AbortStopsAtTheNextRow)
{
    Session session(bundle);
    session.host().setReportedCPUs(1);
    Frame src(8, 6, 0.5f);

    // (An abort before processing: RenderFailureTest.cpp.) The set-up asks
    // once, then the band once per row: the fourth answer stops the band before
    // its third row.
    std::atomic<int> calls{0};
    session.instance().setAbortHook([&calls] { return ++calls >= 4; });
    Frame dst(8, 6, -1.0f);
    EXPECT_EQ(session.render(src, dst), kOfxStatOK);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(dst.at(0, y)[0], y < 2 ? 0.25f : -1.0f) << "row " << y;
        EXPECT_EQ(dst.at(7, y)[3], y < 2 ? 0.5f : -1.0f) << "row " << y;
    }
}

// Only the window's pixels change, and only the source's pixels are read. (A
// window beyond the output: the probe effect's tests cover every side.)
TEST_F(RenderSetup, OnlyTheWindowIsWrittenAndOnlyTheSourceRead)
{
    Session session(bundle);
    const OfxRectI bounds{-3, 2, 13, 9};
    Frame src(bounds, 0.5f);
    Frame dst(bounds, -1.0f);
    const OfxRectI inner{0, 4, 5, 6};
    ASSERT_EQ(session.render(src, dst, &inner), kOfxStatOK);
    for (int y = bounds.y1; y < bounds.y2; ++y) {
        for (int x = bounds.x1; x < bounds.x2; ++x) {
            const bool inside = x >= 0 && x < 5 && y >= 4 && y < 6;
            EXPECT_EQ(dst.at(x, y)[0], inside ? 0.25f : -1.0f) << x << "," << y;
        }
    }

    // A source of rows 0-3 for a window of 8 rows; then one too narrow for any row.
    Frame shortSrc(OfxRectI{0, 0, 10, 4}, 0.5f);
    Frame narrowSrc(OfxRectI{0, 0, 8, 8}, 0.5f);
    Frame out(10, 8, -1.0f);
    ASSERT_EQ(session.render(shortSrc, out), kOfxStatOK);
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(out.at(9, y)[0], y < 4 ? 0.25f : -1.0f) << y;
    }
    Frame none(10, 8, -1.0f);
    ASSERT_EQ(session.render(narrowSrc, none), kOfxStatFailed) << "no row could be written";
    EXPECT_TRUE(untouched(none, -1.0f));
}

TEST_F(RenderSetup, EveryCpuCountGivesTheSameImage)
{
    // Odd sizes and more threads than rows: bands must cover the window exactly.
    Session session(bundle);
    session.instance().setParam("color", 0.75);
    const OfxRectI bounds{5, -2, 5 + 4099, 9};
    Frame src(bounds, 0.0f);
    for (size_t i = 0; i < src.pixels.size(); ++i) {
        src.pixels[i] = static_cast<float>(i % 97) / 96.0f;
    }
    session.host().setReportedCPUs(1);
    Frame reference(bounds, -1.0f);
    ASSERT_EQ(session.render(src, reference), kOfxStatOK);
    for (unsigned cpus : {2u, 3u, 7u, 16u, 64u}) {
        session.host().setReportedCPUs(cpus);
        Frame dst(bounds, -1.0f);
        ASSERT_EQ(session.render(src, dst), kOfxStatOK);
        EXPECT_TRUE(dst.pixels == reference.pixels) << cpus << " CPUs";
    }
}

TEST_F(RenderSetup, IdentityAndChanges)
{
    LogTail log;
    Session session(bundle);
    ofxhost::Instance& inst = session.instance();
    const OfxRectI window{0, 0, 4, 4};

    inst.setParam("color", 0.0);
    ofxhost::IdentityResult identity = inst.isIdentity(3.0, window);
    EXPECT_EQ(identity.status, kOfxStatOK);
    EXPECT_EQ(identity.clip, "Source");
    EXPECT_EQ(identity.time, 3.0);
    inst.setParam("color", 0.0001);
    EXPECT_EQ(inst.isIdentity(3.0, window).status, kOfxStatReplyDefault);

    // Any parameter change (the look included) re-enables both controls and loads nothing.
    auto disable = [&inst] {
        inst.paramProperties("color").setInt(kOfxParamPropEnabled, 0, 0);
        inst.paramProperties("colorSpaceTransform").setInt(kOfxParamPropEnabled, 0, 0);
    };
    auto enabled = [&inst](const char* name) {
        return inst.paramProperties(name).getInt(kOfxParamPropEnabled);
    };
    disable();
    EXPECT_EQ(inst.paramChanged("printStock"), kOfxStatOK);
    EXPECT_EQ(enabled("color"), 1);
    EXPECT_EQ(enabled("colorSpaceTransform"), 1);

    disable();
    EXPECT_EQ(inst.clipChanged("Output"), kOfxStatOK);
    EXPECT_EQ(enabled("color"), 0);
    EXPECT_EQ(inst.clipChanged("Source"), kOfxStatOK);
    EXPECT_EQ(enabled("color"), 1);
    EXPECT_EQ(enabled("colorSpaceTransform"), 1);

    EXPECT_EQ(log.count("RenderLook::RenderLook"), 1);
    EXPECT_EQ(log.text().find("read_triplets"), std::string::npos);
}

TEST(RenderSetupNames, AFileNamedOnlyTheSuffixIsTheLookWithNoName)
{
    TestBundle bundle;
    bundle.addLook("", constantLut(18, 0.625f));
    Session session(bundle);
    EXPECT_EQ(session.instance().choiceOptions("printStock"), std::vector<std::string>{""});
    LogTail log;
    Frame src(2, 2, 0.5f);
    Frame dst(2, 2, -1.0f);
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.625f);
    EXPECT_EQ(log.count("lookname = .cube.bin"), 1);
}
