// The frame pipeline with render steps of the test's own over in.#.exr, read
// through InputFrames as ofx-render reads: each frame written from its own
// pixels while the next is read and the last written, failures stopping the
// run where a run of one frame after another would stop, and the memory a
// long sequence takes.
#include "FramePipeline.h"
#include "InputClips.h"
#include "OfxRenderFixture.h"
#include "RenderSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <set>

namespace fs = std::filesystem;
using namespace tooltest;

namespace {

class FramePipelineTest : public OfxRenderTest {
protected:
    // Frame f: a flat image of value f / 100, one pixel wider per frame; its output out.f.exr.
    std::vector<ofxrender::FrameJob> writeFrames(int count)
    {
        std::vector<ofxrender::FrameJob> jobs;
        for (int f = 1; f <= count; ++f) {
            zelk::RgbaImage image(20 + f, 12);
            std::fill(image.pixels.begin(), image.pixels.end(), float(f) / 100.0f);
            zelk::writeImage(file("in." + std::to_string(f) + ".exr"), image, zelk::FileFormat::Exr,
                             zelk::SampleType::Float);
            jobs.push_back({f, file("out." + std::to_string(f) + ".exr")});
        }
        return jobs;
    }
};

// Doubles every sample of the even frames into the target; the odd ones pass through.
ofxrender::RenderedOutput doubleEvenFrames(ofxrender::InputFrames& input, long frame,
                                           zelk::PixelBuffer& target)
{
    ofxrender::RenderedOutput out;
    out.source = input.frame(frame);
    out.info = out.source->info;
    out.rest = out.source->rest.get();
    out.pixels = out.source->pixels;
    if (frame % 2 == 1)
        return out;
    const zelk::PixelView& in = out.source->pixels;
    out.pixels = target.view(in.width, in.height);
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < 4 * in.width; ++x)
            out.pixels.row(y)[x] = 2.0f * in.row(y)[x];
    return out;
}

} // namespace

TEST_F(FramePipelineTest, WhileAFrameRendersTheNextIsReadAndTheLastWritten)
{
    // Rendered and passed-through frames alternate, so a buffer given back
    // too early or to the wrong frame shows as another frame's pixels.
    const int count = 12;
    const auto jobs = writeFrames(count);
    ofxrender::InputFrames input("Source", file("in.#.exr"), {});
    std::mutex mutex;
    std::condition_variable changed;
    std::set<long> readAhead;
    std::vector<long> written, expected, alone;

    ofxrender::FrameSteps steps;
    steps.readAhead = [&](long frame) {
        input.readAhead(frame);
        std::lock_guard<std::mutex> lock(mutex);
        readAhead.insert(frame);
        changed.notify_all();
    };
    steps.written = [&](const ofxrender::FrameJob& job) {
        std::lock_guard<std::mutex> lock(mutex);
        written.push_back(job.frame);
        changed.notify_all();
    };
    steps.render = [&](long frame, zelk::PixelBuffer& target) {
        // Frame n renders only once frame n+1 has been read and frame n-1 written.
        std::unique_lock<std::mutex> lock(mutex);
        if (!changed.wait_for(lock, std::chrono::seconds(10), [&] {
                return (frame == count || readAhead.count(frame + 1)) &&
                       (frame == 1 || (!written.empty() && written.back() == frame - 1));
            }))
            alone.push_back(frame);
        lock.unlock();
        return doubleEvenFrames(input, frame, target);
    };
    ofxrender::renderFrames(jobs, {}, steps);

    EXPECT_EQ(alone, std::vector<long>{}) << "frames that rendered alone";
    for (int f = 1; f <= count; ++f) {
        expected.push_back(f);
        SCOPED_TRACE(f);
        const zelk::RgbaImage out = zelk::readImage(file("out." + std::to_string(f) + ".exr"));
        ASSERT_EQ(out.width, 20 + f);
        const float value = float(f) / 100.0f * (f % 2 == 0 ? 2.0f : 1.0f);
        for (float v : out.pixels)
            ASSERT_EQ(v, value);
    }
    EXPECT_EQ(written, expected);
}

TEST_F(FramePipelineTest, AFailedFrameStopsTheRunWithEveryEarlierFrameWritten)
{
    // Frame 4 fails in each stage in turn: frames 1 to 3 are written, none
    // after, and the failure thrown is frame 4's.
    enum class Stage { Read, Render, Write };
    for (Stage stage : {Stage::Read, Stage::Render, Stage::Write}) {
        SCOPED_TRACE(int(stage));
        fs::remove_all(dir);
        fs::create_directories(dir);
        const auto jobs = writeFrames(7);
        std::vector<std::string> left = {"out.1.exr", "out.2.exr", "out.3.exr"};
        std::string named = "frame 4 refused";
        if (stage == Stage::Read) {
            std::ofstream(file("in.4.exr")) << "not an image";
            named = "in.4.exr";
        } else if (stage == Stage::Write) {
            fs::create_directory(file("out.4.exr"));
            left.push_back("out.4.exr"); // the directory
            named = "out.4.exr";
        }
        ofxrender::InputFrames input("Source", file("in.#.exr"), {});
        std::set<long> rendered;
        ofxrender::FrameSteps steps;
        steps.readAhead = [&](long frame) { input.readAhead(frame); };
        steps.render = [&](long frame, zelk::PixelBuffer& target) {
            rendered.insert(frame);
            if (stage == Stage::Render && frame == 4)
                throw ofxrender::RenderError("frame 4 refused");
            return doubleEvenFrames(input, frame, target);
        };
        std::string message;
        try {
            ofxrender::renderFrames(jobs, {}, steps);
        } catch (const std::exception& e) {
            message = e.what();
        }
        EXPECT_TRUE(contains(message, named)) << "thrown: " << message;
        std::vector<std::string> outputs;
        for (const std::string& name : listing())
            if (name.rfind("in.", 0) != 0)
                outputs.push_back(name);
        EXPECT_EQ(outputs, left);
        // Nothing after a frame that could not be read or rendered is rendered.
        if (stage != Stage::Write) {
            EXPECT_EQ(rendered, (std::set<long>{1, 2, 3, 4}));
        }
    }
}

TEST_F(OfxRenderTest, MemoryDoesNotGrowWithTheLengthOfASequence)
{
    // 16 MiB a frame buffer. Writing is the slowest stage here, so frames
    // would pile up before it if nothing held the reader back.
    for (int f = 1; f <= 14; ++f)
        writeChart("in." + std::to_string(f) + ".exr", 1024, 1024);
    const RunResult shortRun = renderWithBundle({"--frames", "1-3", "in.#.exr", "a.#.exr"});
    const RunResult longRun = renderWithBundle({"in.#.exr", "b.#.exr"});
    ASSERT_EQ(shortRun.exitCode, 0) << shortRun.err;
    ASSERT_EQ(longRun.exitCode, 0) << longRun.err;
    const long bufferKb = 16 * 1024;
    EXPECT_LT(longRun.peakMemoryKb, shortRun.peakMemoryKb + bufferKb * 3 / 4)
        << "3 frames: " << shortRun.peakMemoryKb << " KB, 14 frames: " << longRun.peakMemoryKb
        << " KB";
}
