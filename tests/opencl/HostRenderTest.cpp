// The OpenCL path end to end: our host renders the plug-in with OpenCL enabled
// on a command queue, against the same host's CPU render.

#include <gtest/gtest.h>

#include <ofxhost/Error.h>

#include "HostSession.h"
#include "LookTestData.h"

using namespace looktest;

namespace {

constexpr float kSentinel = -9.0f;

// Renders `src` both ways with a fresh instance and compares.
void expect_opencl_matches_cpu(const TestLook& look, double mix, const Pixels& src, int width,
                               int height, void* queue = nullptr)
{
    HostSession& session = HostSession::get();
    auto instance = session.instance(look.name, mix);
    const Pixels cpu = renderOnCpu(*instance, src, width, height);
    Pixels gpu(src.size(), kSentinel);
    ASSERT_EQ(session.renderer->render(*instance, 0.0, src.data(), gpu.data(), width, height, queue),
              kOfxStatOK);
    const Lut lut = look.make(look.n);
    const std::string where = std::string(look.name) + " mix " + std::to_string(mix) + " " +
                              std::to_string(width) + "x" + std::to_string(height);
    EXPECT_EQ(compareWithinUlp(fusedLook(lut, look.n, float(mix), src), gpu, 0), "") << where;
    EXPECT_EQ(compareAsFusedBlend(lut, look.n, float(mix), src, cpu, gpu), "") << where;
}

} // namespace

TEST(OpenClHostRender, MatchesTheCpuRenderOnChartAndRamp)
{
    ZELK_REQUIRE_OPENCL_HOST();
    for (const TestLook& look : kTestLooks) {
        expect_opencl_matches_cpu(look, 0.6, chart(1000, 5, look.n), 1000, 5);
        expect_opencl_matches_cpu(look, 1.0, wideRamp(1920, 3), 1920, 3);
    }
}

TEST(OpenClHostRender, RendersOnAFurtherQueue)
{
    ZELK_REQUIRE_OPENCL_HOST();
    void* queue = HostSession::get().renderer->createQueue();
    ASSERT_NE(queue, HostSession::get().renderer->queue());
    expect_opencl_matches_cpu(kTestLooks[2], 0.35, chart(77, 13, 21), 77, 13, queue);
}

TEST(OpenClHostRender, DeviceChoice)
{
    ZELK_REQUIRE_OPENCL_HOST();
    const std::vector<ofxhost::OpenClDeviceInfo> devices = ofxhost::openClDevices();
    ASSERT_FALSE(devices.empty());
    for (size_t i = 0; i < devices.size(); ++i)
        EXPECT_EQ(devices[i].index, int(i));
    // The default is the first GPU, or the first device where there is none.
    const ofxhost::OpenClDeviceInfo& chosen = HostSession::get().renderer->device();
    int firstGpu = -1;
    for (const auto& device : devices)
        if (device.gpu && firstGpu < 0)
            firstGpu = device.index;
    EXPECT_EQ(chosen.index, firstGpu >= 0 ? firstGpu : 0);

    ofxhost::OpenClRenderer last(int(devices.size()) - 1);
    EXPECT_EQ(last.device().name, devices.back().name);
    try {
        ofxhost::OpenClRenderer missing(int(devices.size()));
        ADD_FAILURE() << "a device past the last was accepted";
    } catch (const ofxhost::Error& e) {
        EXPECT_NE(std::string(e.what()).find("no OpenCL device " + std::to_string(devices.size())),
                  std::string::npos)
            << e.what();
    }
}
