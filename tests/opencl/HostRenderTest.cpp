// The OpenCL path end to end: our host renders the plug-in with OpenCL enabled
// on a command queue, against the same host's CPU render.

#include <gtest/gtest.h>

#include <ofxhost/Error.h>

#include "OpenClTestKit.h"

using namespace kit;

TEST(OpenClHostRender, MatchesTheCpuOnEveryQueue)
{
    ZELK_REQUIRE_OPENCL();
    void* queues[2] = {renderer()->queue(), renderer()->createQueue()};
    for (const TestLook& look : kTestLooks)
        for (void* q : queues) {
            const float mix = q == queues[0] ? 0.6f : 1.0f;
            const Lut lut = look.make(look.n);
            auto effect = instance(look, mix);
            for (const Pixels& src : {chart(1000, 5, look.n), wideRamp(1000, 5)}) {
                Pixels gpu(src.size(), -9.0f);
                ASSERT_EQ(renderer()->render(*effect, 0.0, src.data(), gpu.data(), 1000, 5, q),
                          kOfxStatOK);
                EXPECT_EQ(differences(cpuLook(lut, look.n, mix, src), gpu, &src, mix), "")
                    << look.name;
                EXPECT_EQ(differences(deviceLook(lut, look.n, mix, src), gpu), "") << look.name;
            }
        }
}

TEST(OpenClHostRender, ChoosesTheFirstGpuElseTheFirstDevice)
{
    ZELK_REQUIRE_OPENCL();
    const auto devices = ofxhost::openClDevices();
    int want = 0;
    for (auto it = devices.rbegin(); it != devices.rend(); ++it)
        want = it->gpu ? it->index : want;
    EXPECT_EQ(renderer()->device().index, want);
    EXPECT_EQ(ofxhost::OpenClRenderer(int(devices.size()) - 1).device().name, devices.back().name);
    EXPECT_THROW(ofxhost::OpenClRenderer(int(devices.size())), ofxhost::Error);
}
