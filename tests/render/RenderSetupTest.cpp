// The render action through the bundle and our host: the look cache, the format
// checks, the processor frame's window check and path choice, and the log.

#include <algorithm>
#include <atomic>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

// The plug-in's own lines: without the support layer's action brackets.
std::vector<std::string> pluginLines(const LogTail& log)
{
    std::vector<std::string> kept;
    for (const std::string& line : log.lines()) {
        if (line.rfind("START ", 0) != 0 && line.rfind("STOP ", 0) != 0) {
            kept.push_back(line);
        }
    }
    return kept;
}

bool untouched(const Frame& frame, float fill)
{
    return std::all_of(frame.pixels.begin(), frame.pixels.end(),
                       [fill](float v) { return v == fill; });
}

// Red channel of the first output pixel (constant looks make every pixel equal).
float firstRed(const Frame& f)
{
    return f.pixels[0];
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
    const std::string describe = "ZELKLooksFactory::describeInContext";
    const std::vector<std::string> expected = {describe,
                                               bundle.path(),
                                               describe,
                                               bundle.path(), // filter and general
                                               "RenderLook::RenderLook",
                                               "RenderLook::setupAndProcess",
                                               "dstBitDepth = 4",
                                               "dstComponents = 1",
                                               "srcBitDepth = 4",
                                               "srcComponents = 1",
                                               "zeroRect = 0/0 8/5",
                                               "frame = 7",
                                               "curr index = 0",
                                               "A.cube.bin",
                                               "lookname = A.cube.bin",
                                               "read_triplets size: 5832",
                                               "Color",
                                               "processing via CPU",
                                               "DONE"};
    EXPECT_EQ(pluginLines(log), expected);
    EXPECT_EQ(firstRed(dst), 0.25f);
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
    EXPECT_EQ(firstRed(dst), 0.25f);
    EXPECT_EQ(first.count("lookname = A.cube.bin"), 1);

    // A curve switch reloads the same look from the other directory, and back.
    LogTail switched;
    session.instance().setChoice("colorSpaceTransform", "Tevo3/QXR3");
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(firstRed(dst), 0.75f);
    session.instance().setParam("colorSpaceTransform", 0);
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(firstRed(dst), 0.25f);
    EXPECT_EQ(switched.count("lookname = A.cube.bin"), 2);

    // Intensity and frame changes never reload; a look change does.
    LogTail later;
    session.instance().setParam("color", 0.5);
    ASSERT_EQ(session.render(src, dst, nullptr, 5.0), kOfxStatOK);
    EXPECT_EQ(firstRed(dst), 0.375f);
    session.instance().setChoice("printStock", "B");
    session.instance().setParam("color", 1.0);
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(firstRed(dst), 0.5f);
    EXPECT_EQ(later.count("lookname = A.cube.bin"), 0);
    EXPECT_EQ(later.count("lookname = B.cube.bin"), 1);
}

TEST_F(RenderSetup, MissingLookFileKeepsThePreviousLookAndIsNotRetried)
{
    Session session(bundle);
    Frame src(3, 3, 0.5f);
    Frame dst(3, 3, 0.0f);
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    ASSERT_EQ(firstRed(dst), 0.25f);

    std::filesystem::remove(bundle.lookDirTevo4() / "B.cube.bin");
    const std::string missing =
        "cant open file for reading: " + (bundle.lookDirTevo4() / "B.cube.bin").string();
    LogTail log;
    session.instance().setChoice("printStock", "B");
    Frame dst2(3, 3, 0.0f);
    ASSERT_EQ(session.render(src, dst2), kOfxStatOK);
    ASSERT_EQ(session.render(src, dst2, nullptr, 1.0), kOfxStatOK);
    EXPECT_EQ(firstRed(dst2), 0.25f);
    EXPECT_EQ(log.count(missing), 1);

    // A new instance has no previous look: nothing is written and the render fails.
    Session fresh(bundle);
    fresh.instance().setChoice("printStock", "B");
    Frame dst3(3, 3, -1.0f);
    ASSERT_EQ(fresh.render(src, dst3), kOfxStatFailed);
    EXPECT_TRUE(untouched(dst3, -1.0f));
}

// (Truncated and oversized files: the reader's own tests.)
TEST_F(RenderSetup, SmallOrIncompleteLooksAreNotApplied)
{
    bundle.addLook("A", constantLut(17, 0.25f));
    // 35000 entries round to N = 33, which would need 35937.
    Lut ragged = constantLut(33, 0.25f);
    ragged.resize(35000);
    bundle.addLook("B", ragged);

    LogTail log;
    Session session(bundle);
    Frame src(4, 4, 0.5f);
    for (const char* look : {"A", "B"}) {
        session.instance().setChoice("printStock", look);
        Frame dst(4, 4, -1.0f);
        ASSERT_EQ(session.render(src, dst), kOfxStatFailed) << look;
        EXPECT_TRUE(untouched(dst, -1.0f)) << look;
    }
    EXPECT_EQ(log.count("read_triplets size: 4913"), 1);
    EXPECT_EQ(log.count("read_triplets size: 35000"), 1);
    EXPECT_EQ(log.count("processing via CPU"), 0);

    // 18 points per axis is the smallest lattice applied.
    bundle.addLook("D", constantLut(18, 0.125f));
    Session again(bundle);
    again.instance().setChoice("printStock", "D");
    Frame dst(4, 4, -1.0f);
    ASSERT_EQ(again.render(src, dst), kOfxStatOK);
    EXPECT_EQ(firstRed(dst), 0.125f);
}

TEST_F(RenderSetup, FormatFailuresAndMissingImages)
{
    Session session(bundle);
    ofxhost::Instance& inst = session.instance();
    Frame src(4, 4, 0.5f);
    Frame dst(4, 4, -1.0f);

    // The Output clip is checked before anything is logged or fetched.
    for (const auto& format :
         {std::pair<std::string, std::string>{"OfxBitDepthShort", "OfxImageComponentRGBA"},
          {"OfxBitDepthFloat", "OfxImageComponentRGB"}}) {
        LogTail log;
        inst.setClipImage("Source", src.desc());
        inst.setClipImage("Output", dst.desc());
        inst.setClipFormat("Output", format.first, format.second);
        EXPECT_EQ(inst.render(0.0, dst.bounds), kOfxStatErrUnsupported) << format.first;
        EXPECT_EQ(log.count("RenderLook::setupAndProcess"), 0);
    }

    // Source RGB against Output RGBA: refused, both images given back.
    {
        LogTail log;
        ofxhost::ImageDesc rgb = src.desc();
        rgb.components = "OfxImageComponentRGB";
        inst.setClipImage("Output", dst.desc());
        inst.setClipImage("Source", rgb);
        EXPECT_EQ(inst.render(0.0, dst.bounds), kOfxStatErrValue);
        EXPECT_EQ(
            log.count("(srcBitDepth != dstBitDepth) || (srcComponents != dstComponents) !!!)"), 1);
        EXPECT_EQ(inst.liveImageCount(), 0);
    }

    // No Source image, then no Output image: nothing written, the render fails.
    {
        LogTail log;
        inst.setClipImage("Output", dst.desc());
        inst.clearClipImage("Source");
        EXPECT_EQ(inst.render(0.0, dst.bounds), kOfxStatFailed);
        inst.clearClipImage("Output");
        inst.setClipImage("Source", src.desc());
        EXPECT_EQ(inst.render(0.0, dst.bounds), kOfxStatFailed);
        EXPECT_EQ(log.count("m_SrcClip INVALID"), 1);
        EXPECT_EQ(log.count("m_DstClip INVALID"), 1);
        EXPECT_EQ(log.count("DONE"), 0);
        EXPECT_EQ(inst.liveImageCount(), 0);
        EXPECT_TRUE(untouched(dst, -1.0f));
    }
}

TEST_F(RenderSetup, AbortStopsAtTheNextRow)
{
    Session session(bundle);
    session.host().setReportedCPUs(1);
    Frame src(8, 6, 0.5f);

    // Abort before processing: nothing written, success, DONE still logged.
    {
        LogTail log;
        session.instance().setAbortHook([] { return true; });
        Frame dst(8, 6, -1.0f);
        EXPECT_EQ(session.render(src, dst), kOfxStatOK);
        EXPECT_TRUE(untouched(dst, -1.0f));
        EXPECT_EQ(log.count("processing via CPU"), 0);
        EXPECT_EQ(log.count("DONE"), 1);
    }

    // The set-up asks once, then the band once per row: the fourth answer stops
    // the band before its third row.
    std::atomic<int> calls{0};
    session.instance().setAbortHook([&calls] { return ++calls >= 4; });
    Frame dst(8, 6, -1.0f);
    EXPECT_EQ(session.render(src, dst), kOfxStatOK);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(dst.at(0, y)[0], y < 2 ? 0.25f : -1.0f) << "row " << y;
        EXPECT_EQ(dst.at(7, y)[3], y < 2 ? 0.5f : -1.0f) << "row " << y;
    }
}

// Only the window's pixels change. (A window beyond the output: the probe
// effect's tests cover every side.)
TEST_F(RenderSetup, RenderWindowInsideTheOutput)
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
}

TEST_F(RenderSetup, SourceSmallerThanTheWindowIsNeverReadOutside)
{
    Session session(bundle);
    // Rows 0-3 and columns 0-7 only; the window spans 10 x 8.
    Frame shortSrc(OfxRectI{0, 0, 10, 4}, 0.5f);
    Frame narrowSrc(OfxRectI{0, 0, 8, 8}, 0.5f);
    Frame dst(10, 8, -1.0f);
    ASSERT_EQ(session.render(shortSrc, dst), kOfxStatOK);
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(dst.at(9, y)[0], y < 4 ? 0.25f : -1.0f) << y;
    }
    Frame dst2(10, 8, -1.0f);
    ASSERT_EQ(session.render(narrowSrc, dst2), kOfxStatFailed) << "no row could be written";
    EXPECT_TRUE(untouched(dst2, -1.0f));
}

TEST_F(RenderSetup, MetalWritesNothingAndFails)
{
    Session session(bundle);
    Frame src(4, 4, 0.5f);
    Frame dst(4, 4, -1.0f);
    LogTail log;
    ofxhost::GpuRenderArgs metal;
    metal.metal = true;
    EXPECT_EQ(session.render(src, dst, nullptr, 0.0, metal), kOfxStatFailed);
    EXPECT_TRUE(untouched(dst, -1.0f));
    EXPECT_EQ(log.count("processing via Metal"), 1);
    EXPECT_EQ(log.count("processing via CPU"), 0);
    EXPECT_EQ(log.count("DONE"), 1);
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

TEST(RenderSetupNames, EmptyLookNameRendersAndNoLooksFailsTheRender)
{
    Frame src(2, 2, 0.5f);
    {
        // A file named only ".cube.bin" is the look "".
        TestBundle bundle;
        bundle.addLook("", constantLut(18, 0.625f));
        Session session(bundle);
        EXPECT_EQ(session.instance().choiceOptions("printStock"), std::vector<std::string>{""});
        LogTail log;
        Frame dst(2, 2, -1.0f);
        ASSERT_EQ(session.render(src, dst), kOfxStatOK);
        EXPECT_EQ(firstRed(dst), 0.625f);
        EXPECT_EQ(log.count("lookname = .cube.bin"), 1);
    }
    // No looks at all: the render fails and both images are given back.
    TestBundle bundle;
    Session session(bundle);
    Frame dst(2, 2, -1.0f);
    EXPECT_EQ(session.render(src, dst), kOfxStatFailed);
    EXPECT_EQ(session.instance().liveImageCount(), 0);
    EXPECT_TRUE(untouched(dst, -1.0f));
}
