// Renders that write nothing, through the bundle and our host: each fails and
// tells the user why, naming the look, the curve and the look file, until a
// render writes again; look files that could hang or exhaust a render are
// refused.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <future>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

std::string standing(Session& session)
{
    const std::optional<ofxhost::Message> m = session.instance().persistentMessage();
    return m ? m->text : "";
}

// A bundle with a look that applies, one too small and one that does not fill
// its lattice.
struct FailureBundle : TestBundle {
    FailureBundle()
    {
        addLook("Good", constantLut(18, 0.25f));
        addLook("Small", constantLut(17, 0.25f));
        Lut ragged = constantLut(33, 0.25f);
        ragged.resize(35000); // rounds to N = 33, which needs 35937
        addLook("Ragged", ragged);
    }

    // The tail every failure message ends with, for a look under "Tevo4/QXR4".
    std::string named(const std::string& look) const
    {
        return ". Look: " + look + "; I/O Space: Tevo4/QXR4; look file: " +
               (lookDirTevo4() / (look + ".cube.bin")).string();
    }
};

class RenderFailure : public ::testing::Test {
protected:
    FailureBundle bundle;
};

} // namespace

TEST_F(RenderFailure, EveryRenderThatWritesNothingFailsAndSaysWhy)
{
    const std::string head = "ZELK Look Library rendered nothing: ";
    struct Case {
        const char* what;
        std::function<OfxStatus(Session&, Frame& src, Frame& dst)> render;
        OfxStatus status;
        std::string message;
    };
    auto withLook = [](const char* look) {
        return [look](Session& s, Frame& src, Frame& dst) {
            s.instance().setChoice("printStock", look);
            return s.render(src, dst);
        };
    };
    auto withOutputFormat = [](const char* depth, const char* components) {
        return [depth, components](Session& s, Frame& src, Frame& dst) {
            s.instance().setClipImage("Source", src.desc());
            s.instance().setClipImage("Output", dst.desc());
            s.instance().setClipFormat("Output", depth, components);
            return s.instance().render(0.0, dst.bounds);
        };
    };
    auto noLook = [this](int choice) {
        return ". Look: choice " + std::to_string(choice) +
               "; I/O Space: Tevo4/QXR4; look file: " + bundle.lookDirTevo4().string();
    };
    const OfxRectI outside{2, 2, 9, 9};
    auto named = [this](const std::string& look) { return bundle.named(look); };
    const Case cases[] = {
        {"lattice of 17", withLook("Small"), kOfxStatFailed,
         "the look file holds 4913 entries; its lattice of 17 points per axis is below the "
         "plug-in's minimum of 18" +
             named("Small")},
        {"unfilled lattice", withLook("Ragged"), kOfxStatFailed,
         "the look file holds 35000 entries; 35000 entries do not fill the lattice of 33 "
         "points per axis (35937 entries)" +
             named("Ragged")},
        {"missing file, nothing cached",
         [&](Session& s, Frame& src, Frame& dst) {
             std::filesystem::remove(bundle.lookDirTevo4() / "Good.cube.bin");
             return s.render(src, dst);
         },
         kOfxStatFailed,
         "the look file cannot be opened (No such file or directory)" + named("Good")},
        {"no Source image",
         [](Session& s, Frame&, Frame& dst) {
             s.instance().setClipImage("Output", dst.desc());
             return s.instance().render(0.0, dst.bounds);
         },
         kOfxStatFailed, "the host gave no Source image" + named("Good")},
        {"window outside the Output",
         [&](Session& s, Frame& src, Frame& dst) { return s.render(src, dst, &outside); },
         kOfxStatFailed, "the render window lies outside the Output image" + named("Good")},
        {"Metal",
         [](Session& s, Frame& src, Frame& dst) {
             ofxhost::GpuRenderArgs metal;
             metal.metal = true;
             return s.render(src, dst, nullptr, 0.0, metal);
         },
         kOfxStatFailed,
         "the host asked for a Metal render, which this plug-in does not have" + named("Good")},
        {"no Output image",
         [](Session& s, Frame& src, Frame& dst) {
             s.instance().setClipImage("Source", src.desc());
             return s.instance().render(0.0, dst.bounds);
         },
         kOfxStatFailed, "the host gave no Output image" + named("Good")},
        {"Output clip of 16 bits", withOutputFormat("OfxBitDepthShort", "OfxImageComponentRGBA"),
         kOfxStatErrUnsupported, "the Output clip is not 32-bit float" + named("Good")},
        {"Output clip of RGB", withOutputFormat("OfxBitDepthFloat", "OfxImageComponentRGB"),
         kOfxStatErrUnsupported, "the Output clip is not RGBA" + named("Good")},
        {"Source RGB, Output RGBA",
         [](Session& s, Frame& src, Frame& dst) {
             ofxhost::ImageDesc rgb = src.desc();
             rgb.components = "OfxImageComponentRGB";
             s.instance().setClipImage("Source", rgb);
             s.instance().setClipImage("Output", dst.desc());
             return s.instance().render(0.0, dst.bounds);
         },
         kOfxStatErrValue,
         "the Source image's depth or components differ from the Output image's" + named("Good")},
        // The bundle lost looks since the project was saved: the choice points
        // past them, and is never taken for the look cached before.
        {"choice past the looks",
         [](Session& s, Frame& src, Frame& dst) {
             Frame first(src.width(), src.height(), -1.0f);
             EXPECT_EQ(s.render(src, first), kOfxStatOK);
             s.instance().setChoice("printStock", "Small"); // the third of three options
             s.instance()
                 .paramProperties("printStock")
                 .defineString(kOfxParamPropChoiceOption, {"Good"});
             return s.render(src, dst);
         },
         kOfxStatFailed, "the look choice 2 is not one of the 1 looks" + noLook(2)},
        {"no looks at all",
         [](Session& s, Frame& src, Frame& dst) {
             s.instance().paramProperties("printStock").defineString(kOfxParamPropChoiceOption, {});
             return s.render(src, dst);
         },
         kOfxStatFailed,
         "there are no looks to choose from (" + bundle.lookDirTevo4().string() +
             " held no look file when the effect was described)" + noLook(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bundle.addLook("Good", constantLut(18, 0.25f)); // one case removes it
        Session session(bundle);
        Frame src(8, 8, 0.5f), dst(8, 8, -1.0f);
        session.host().clearMessages();
        EXPECT_EQ(c.render(session, src, dst), c.status);
        EXPECT_TRUE(untouched(dst, -1.0f));
        EXPECT_EQ(session.instance().liveImageCount(), 0);
        EXPECT_EQ(standing(session), head + c.message);
        const auto sent = session.host().messages();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].type, kOfxMessageError);
        EXPECT_TRUE(sent[0].persistent);
    }
}

TEST_F(RenderFailure, TheMessageStandsUntilARenderWrites)
{
    Session session(bundle);
    Frame src(4, 4, 0.5f);
    session.instance().setChoice("printStock", "Small");
    for (int frame = 0; frame < 2; ++frame) {
        Frame dst(4, 4, -1.0f);
        ASSERT_EQ(session.render(src, dst, nullptr, frame), kOfxStatFailed);
    }
    EXPECT_NE(standing(session), "");

    // A host abort is no failure of ours: nothing is written, and the message
    // neither goes nor changes.
    session.instance().setAbortHook([] { return true; });
    session.instance().setChoice("printStock", "Good");
    Frame aborted(4, 4, -1.0f);
    EXPECT_EQ(session.render(src, aborted), kOfxStatOK);
    EXPECT_TRUE(untouched(aborted, -1.0f));
    EXPECT_NE(standing(session).find("Look: Small"), std::string::npos);

    session.instance().setAbortHook(nullptr);
    Frame dst(4, 4, -1.0f);
    ASSERT_EQ(session.render(src, dst), kOfxStatOK);
    EXPECT_EQ(dst.pixels[0], 0.25f);
    EXPECT_EQ(standing(session), "");

    // Once a look is applied, a missing file for the next keeps it applied: no
    // failure, and no second attempt at the file.
    const std::filesystem::path missing = bundle.lookDirTevo4() / "Ragged.cube.bin";
    std::filesystem::remove(missing);
    session.instance().setChoice("printStock", "Ragged");
    LogTail log;
    for (int frame = 0; frame < 2; ++frame) {
        Frame kept(4, 4, -1.0f);
        EXPECT_EQ(session.render(src, kept, nullptr, frame), kOfxStatOK);
        EXPECT_EQ(kept.pixels[0], 0.25f);
    }
    EXPECT_EQ(standing(session), "");
    EXPECT_EQ(log.count("cant open file for reading: " + missing.string()), 1);
}

TEST_F(RenderFailure, LookFilesThatWouldHangOrExhaustARenderAreRefused)
{
    // A FIFO for one curve, a sparse lattice of 400 (768 MB of entries) for the other.
    const std::filesystem::path fifo = bundle.lookDirTevo4() / "Good.cube.bin";
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::uint64_t count = 400ull * 400 * 400;
    const std::filesystem::path huge = bundle.lookDir() / "Good.cube.bin";
    writeLookFile(huge, {});
    std::fstream(huge, std::ios::in | std::ios::out | std::ios::binary)
        .write(reinterpret_cast<const char*>(&count), sizeof count);
    std::filesystem::resize_file(huge, 8 + 12 * count);

    Session session(bundle);
    Frame src(4, 4, 0.5f), dst(4, 4, -1.0f);
    auto rendering = std::async(std::launch::async, [&] { return session.render(src, dst); });
    if (rendering.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); // lets it go
        FAIL() << "the render blocked on a FIFO";
    }
    EXPECT_EQ(rendering.get(), kOfxStatFailed);
    EXPECT_EQ(standing(session), "ZELK Look Library rendered nothing: the look file is not a "
                                 "regular file" +
                                     bundle.named("Good"));

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long peakBefore = usage.ru_maxrss;
    session.instance().setChoice("colorSpaceTransform", "Tevo3/QXR3");
    EXPECT_EQ(session.render(src, dst), kOfxStatFailed);
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss - peakBefore, 100 * 1024) << "kilobytes more at the peak";
    EXPECT_NE(standing(session).find("the look file holds 64000000 entries; its lattice of 400 "
                                     "points per axis is above the plug-in's maximum of 256"),
              std::string::npos)
        << standing(session);
    EXPECT_TRUE(untouched(dst, -1.0f));
}
