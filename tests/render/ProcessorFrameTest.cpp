// The processor frame run by a real host: a probe effect drives processors that
// leave the pixel work to the frame's defaults or log their CPU bands.

#include <algorithm>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

class ProbeSession {
public:
    explicit ProbeSession(unsigned cpus = 0)
    {
        ofxhost::HostOptions options;
        options.reportedCPUs = cpus;
        m_host = std::make_unique<ofxhost::Host>(options);
        ofxhost::Effect* effect =
            m_host->loadBundle(ZELK_TEST_PROBE_BUNDLE).effect("com.ZELKOpenFX.FrameProbe");
        if (effect == nullptr) {
            throw std::runtime_error("probe effect not described");
        }
        m_instance = effect->createInstance();
    }
    ~ProbeSession()
    {
        m_instance.reset();
        m_host.reset();
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
    std::unique_ptr<ofxhost::Host> m_host;
    std::unique_ptr<ofxhost::Instance> m_instance;
};

// The frame's own lines, in order.
std::vector<std::string> frameLines(const LogTail& log)
{
    std::vector<std::string> kept;
    for (const std::string& line : log.lines()) {
        if (line == "preProcess" || line == "postProcess" ||
            line.rfind("processing via", 0) == 0 || line.find("not implemented") != std::string::npos) {
            kept.push_back(line);
        }
    }
    return kept;
}

std::vector<std::string> bandLines(const LogTail& log)
{
    std::vector<std::string> bands;
    for (const std::string& line : log.lines()) {
        if (line.rfind("band ", 0) == 0) {
            bands.push_back(line);
        }
    }
    std::sort(bands.begin(), bands.end(), [](const std::string& a, const std::string& b) {
        int ax1, ay1, bx1, by1;
        std::sscanf(a.c_str(), "band %d %d", &ax1, &ay1);
        std::sscanf(b.c_str(), "band %d %d", &bx1, &by1);
        return ay1 < by1;
    });
    return bands;
}

} // namespace

TEST(ProcessorFrameRun, OnePathPerRenderAndTheDefaultBodies)
{
    ProbeSession probe(1);
    Frame dst(8, 4, 0.0f);
    struct Case {
        ofxhost::GpuRenderArgs gpu;
        const char* path;
        const char* body;
    };
    ofxhost::GpuRenderArgs both;
    both.openCL = true;
    both.cuda = true;
    both.metal = true;
    ofxhost::GpuRenderArgs cuda;
    cuda.cuda = true;
    cuda.metal = true;
    ofxhost::GpuRenderArgs metal;
    metal.metal = true;
    const Case cases[] = {
        {both, "processing via OpenCL", "processImagesOpenCL not implemented"},
        {cuda, "processing via CUDA", "processImagesCuda not implemented"},
        {metal, "processing via Metal", "processImagesMetal not implemented"},
        {{}, "processing via CPU", "multiThreadProcessImages not implemented"},
    };
    for (const Case& c : cases) {
        LogTail log;
        EXPECT_EQ(probe.render(0, dst, dst.bounds, c.gpu), kOfxStatErrUnsupported) << c.path;
        // The exception leaves before postProcess.
        EXPECT_EQ(frameLines(log), (std::vector<std::string>{"preProcess", c.path, c.body}));
    }
}

TEST(ProcessorFrameRun, WindowOutsideTheOutputDoesNothingAtAll)
{
    ProbeSession probe(1);
    Frame dst(OfxRectI{10, 20, 30, 25}, 0.0f);
    for (const OfxRectI& window : {OfxRectI{9, 20, 30, 25}, OfxRectI{10, 19, 30, 25},
                                   OfxRectI{10, 20, 31, 25}, OfxRectI{10, 20, 30, 26},
                                   OfxRectI{12, 22, 12, 24}, OfxRectI{12, 22, 14, 22}}) {
        LogTail log;
        EXPECT_EQ(probe.render(0, dst, window), kOfxStatOK);
        EXPECT_TRUE(frameLines(log).empty());
    }
    LogTail log;
    EXPECT_EQ(probe.render(1, dst, dst.bounds), kOfxStatOK);
    EXPECT_EQ(frameLines(log),
              (std::vector<std::string>{"preProcess", "processing via CPU", "postProcess"}));
    EXPECT_EQ(bandLines(log), std::vector<std::string>{"band 10 20 30 25"});
}

TEST(ProcessorFrameRun, CpuBandsThroughTheHostThreads)
{
    {
        // 1920 x 1080 on 8 CPUs: eight bands of 135 rows.
        ProbeSession probe(8);
        Frame dst(1920, 1080, 0.0f);
        LogTail log;
        ASSERT_EQ(probe.render(1, dst, dst.bounds), kOfxStatOK);
        const std::vector<std::string> bands = bandLines(log);
        ASSERT_EQ(bands.size(), 8u);
        EXPECT_EQ(bands[0], "band 0 0 1920 135");
        EXPECT_EQ(bands[7], "band 0 945 1920 1080");
    }
    {
        // The same on 7: the last band is shorter.
        ProbeSession probe(7);
        Frame dst(1920, 1080, 0.0f);
        LogTail log;
        ASSERT_EQ(probe.render(1, dst, dst.bounds), kOfxStatOK);
        const std::vector<std::string> bands = bandLines(log);
        ASSERT_EQ(bands.size(), 7u);
        EXPECT_EQ(bands[5], "band 0 775 1920 930");
        EXPECT_EQ(bands[6], "band 0 930 1920 1080");
    }
}
