// The OpenCL path end to end: our host renders the plug-in with OpenCL enabled
// on a command queue, against the same host's CPU render.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "HostImage.h"
#include "OpenClTestKit.h"

using namespace kit;

// On two queues, against the device's rule bit for bit and the CPU path within
// the fused blend. 1000 pixels a row leave idle work-items; 1920 fill the
// work-groups exactly.
TEST(OpenClHostRender, MatchesTheCpuOnEveryQueue)
{
    ZELK_REQUIRE_OPENCL();
    void* queues[2] = {renderer()->queue(), renderer()->createQueue()};
    for (const TestLook& look : kTestLooks) {
        const Lut lut = look.make(look.n);
        const std::pair<Pixels, int> images[] = {{testImage(1920, 3, look.n), 1920},
                                                 {testImage(1000, 5, look.n), 1000}};
        for (float mix : {0.0f, 0.37f, 1.0f}) {
            auto effect = instance(look, mix);
            for (void* q : queues)
                for (const auto& [src, width] : images) {
                    SCOPED_TRACE(testing::Message()
                                 << look.name << " mix " << mix << " width " << width
                                 << (q == queues[0] ? "" : ", queue 2"));
                    const int height = int(src.size() / 4) / width;
                    Pixels gpu(src.size(), -9.0f);
                    ASSERT_EQ(
                        renderer()->render(*effect, 0.0, src.data(), gpu.data(), width, height, q),
                        kOfxStatOK);
                    EXPECT_EQ(differences(deviceLook(lut, look.n, mix, src), gpu), "");
                    EXPECT_EQ(differences(cpuLook(lut, look.n, mix, src), gpu, &src, mix), "");
                }
        }
    }
}

using zelktest::HostImage;

TEST(OpenClHostRender, WindowsOriginsAndPaddedRowsMatchTheCpuRender)
{
    ZELK_REQUIRE_OPENCL();
    const TestLook& look = kTestLooks[2];
    const float mix = 0.85f;
    const Lut lut = look.make(look.n);
    auto effect = instance(look, mix);
    const struct {
        const char* what;
        OfxRectI srcBounds, dstBounds, window;
        int srcPad, dstPad; // bytes after each row
    } cases[] = {
        {"window", {0, 0, 90, 12}, {0, 0, 90, 12}, {7, 2, 71, 9}, 0, 0},
        // Each image with its own origin and padding, the window inside both.
        {"all at once", {-20, -3, 80, 14}, {-8, 0, 60, 11}, {-5, 1, 33, 10}, 16, 112},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int srcWidth = c.srcBounds.x2 - c.srcBounds.x1;
        const int dstWidth = c.dstBounds.x2 - c.dstBounds.x1;
        HostImage src(c.srcBounds, srcWidth * 16 + c.srcPad, 0.0f);
        src.block = testImage(int(src.block.size() / 4), 1, look.n);
        HostImage dst(c.dstBounds, dstWidth * 16 + c.dstPad, -9.0f);
        ASSERT_EQ(renderer()->renderImages(*effect, 0.0, src.desc(), dst.desc(), c.window),
                  kOfxStatOK);

        // The device rule inside the window; everything else, padding too, untouched.
        Pixels want(dst.block.size(), -9.0f), srcAtDst(dst.block.size(), 0.0f);
        for (int y = c.window.y1; y < c.window.y2; ++y)
            for (int x = c.window.x1; x < c.window.x2; ++x) {
                const size_t s = src.at(x, y), d = dst.at(x, y);
                const Pixels pixel(&src.block[s], &src.block[s] + 4);
                const Pixels looked = deviceLook(lut, look.n, mix, pixel);
                std::copy(looked.begin(), looked.end(), want.begin() + long(d));
                std::copy(pixel.begin(), pixel.end(), srcAtDst.begin() + long(d));
            }
        EXPECT_EQ(differences(want, dst.block), "");

        // And the CPU path, reading the same layout in host memory, agrees.
        HostImage cpu(c.dstBounds, dst.rowBytes, -9.0f);
        ASSERT_EQ(ofxhost::renderImages(*effect, 0.0, src.desc(), cpu.desc(), c.window),
                  kOfxStatOK);
        EXPECT_EQ(differences(cpu.block, dst.block, &srcAtDst, mix), "");
    }
}

TEST(OpenClHostRender, RowsRunningDownAreRefusedWithAMessageAndNothingWritten)
{
    ZELK_REQUIRE_OPENCL();
    auto effect = instance(kTestLooks[1], 1.0);
    const OfxRectI bounds{0, 0, 20, 6};
    HostImage src(bounds, -20 * 16, 0.5f), dst(bounds, -20 * 16, -9.0f);
    EXPECT_EQ(renderer()->renderImages(*effect, 0.0, src.desc(), dst.desc(), bounds),
              kOfxStatFailed);
    EXPECT_EQ(dst.block, Pixels(dst.block.size(), -9.0f));
    const auto message = effect->persistentMessage();
    ASSERT_TRUE(message.has_value());
    EXPECT_NE(message->text.find("the OpenCL render cannot use the Source image: it has negative "
                                 "rowBytes, which an OpenCL buffer cannot have."),
              std::string::npos)
        << message->text;

    // The same instance renders the next frame that it can, and the message goes.
    HostImage up(bounds, 20 * 16, 0.5f), out(bounds, 20 * 16, -9.0f);
    EXPECT_EQ(renderer()->renderImages(*effect, 0.0, up.desc(), out.desc(), bounds), kOfxStatOK);
    EXPECT_FALSE(effect->persistentMessage().has_value());
}
