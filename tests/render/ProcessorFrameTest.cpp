// The processor frame run by a real host: a probe effect drives processors that
// leave the pixel work to the frame's defaults or log their CPU bands.

#include <algorithm>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

class ProbeSession {
public:
    ProbeSession()
    {
        ofxhost::HostOptions options;
        options.reportedCPUs = 1;
        m_host = std::make_unique<ofxhost::Host>(options);
        ofxhost::Effect* effect =
            m_host->loadBundle(ZELK_TEST_PROBE_BUNDLE).effect("com.ZELKOpenFX.FrameProbe");
        if (effect == nullptr) {
            throw std::runtime_error("probe effect not described");
        }
        m_instance = effect->createInstance();
    }
    OfxStatus render(int mode, Frame& dst, const OfxRectI& window,
                     const ofxhost::GpuRenderArgs& gpu = {})
    {
        m_instance->setParam("mode", mode);
        m_instance->setClipImage("Source", dst.desc());
        m_instance->setClipImage("Output", dst.desc());
        return m_instance->render(0.0, window, gpu);
    }

private:
    std::unique_ptr<ofxhost::Host> m_host; // outlives the instance
    std::unique_ptr<ofxhost::Instance> m_instance;
};

// The frame's own lines, in order.
std::vector<std::string> frameLines(const LogTail& log)
{
    std::vector<std::string> kept;
    for (const std::string& line : log.lines()) {
        if (line == "preProcess" || line == "postProcess" || line.rfind("processing via", 0) == 0 ||
            line.find("not implemented") != std::string::npos) {
            kept.push_back(line);
        }
    }
    return kept;
}

// The logged bands as (y1, y2), top first; each must span `x1`..`x2`.
std::vector<std::pair<int, int>> bandRows(const LogTail& log, int x1, int x2)
{
    std::vector<std::pair<int, int>> rows;
    for (const std::string& line : log.lines()) {
        int bx1, by1, bx2, by2;
        if (std::sscanf(line.c_str(), "band %d %d %d %d", &bx1, &by1, &bx2, &by2) == 4) {
            EXPECT_EQ(bx1, x1);
            EXPECT_EQ(bx2, x2);
            rows.emplace_back(by1, by2);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

TEST(ProcessorFrameRun, OnePathPerRenderAndTheDefaultBodies)
{
    ProbeSession probe;
    Frame dst(8, 4, 0.0f);
    const struct {
        bool openCL, cuda, metal;
        const char* path;
        const char* body;
    } cases[] = {
        {true, true, true, "processing via OpenCL", "processImagesOpenCL not implemented"},
        {false, true, true, "processing via CUDA", "processImagesCuda not implemented"},
        {false, false, true, "processing via Metal", "processImagesMetal not implemented"},
        {false, false, false, "processing via CPU", "multiThreadProcessImages not implemented"},
    };
    for (const auto& c : cases) {
        ofxhost::GpuRenderArgs gpu;
        gpu.openCL = c.openCL;
        gpu.cuda = c.cuda;
        gpu.metal = c.metal;
        LogTail log;
        EXPECT_EQ(probe.render(0, dst, dst.bounds, gpu), kOfxStatErrUnsupported) << c.path;
        // The exception leaves before postProcess.
        EXPECT_EQ(frameLines(log), (std::vector<std::string>{"preProcess", c.path, c.body}));
    }
}

TEST(ProcessorFrameRun, WindowOutsideTheOutputDoesNothingAtAll)
{
    ProbeSession probe;
    Frame dst(OfxRectI{10, 20, 30, 25}, 0.0f);
    for (const OfxRectI& window :
         {OfxRectI{9, 20, 30, 25}, OfxRectI{10, 19, 30, 25}, OfxRectI{10, 20, 31, 25},
          OfxRectI{10, 20, 30, 26}, OfxRectI{12, 22, 12, 24}, OfxRectI{12, 22, 14, 22}}) {
        LogTail log;
        EXPECT_EQ(probe.render(0, dst, window), kOfxStatOK);
        EXPECT_TRUE(frameLines(log).empty());
    }
    LogTail log;
    EXPECT_EQ(probe.render(1, dst, dst.bounds), kOfxStatOK);
    EXPECT_EQ(frameLines(log),
              (std::vector<std::string>{"preProcess", "processing via CPU", "postProcess"}));
    EXPECT_EQ(bandRows(log, 10, 30), (std::vector<std::pair<int, int>>{{20, 25}}));
}
