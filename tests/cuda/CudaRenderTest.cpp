// The CUDA path end to end: the plug-in renders through our host with CUDA
// enabled on the host's stream, against the same instance rendering on the CPU.
#include <gtest/gtest.h>

#include <ofxhost/CudaRender.h>
#include <ofxhost/Host.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CudaTestSupport.h"
#include "HostImage.h"

namespace {

namespace fs = std::filesystem;
using namespace zelk_cuda_test;

std::string look_name(int n)
{
    return "cuda-test-" + std::to_string(n);
}

// A copy of the built bundle whose look folders also hold the test looks.
fs::path make_test_bundle()
{
    const fs::path root =
        fs::temp_directory_path() / ("zelk-cuda-test-" + std::to_string(::getpid()));
    const fs::path bundle = root / "ZELK-Look-Lib.ofx.bundle";
    fs::remove_all(root);
    fs::create_directories(root);
    // A packed copy of the build, run on another machine, names its bundle.
    const char* built = std::getenv("ZELK_CUDA_TEST_BUNDLE");
    fs::copy(built ? built : ZELK_TEST_BUNDLE, bundle, fs::copy_options::recursive);
    for (const char* dir : {"looks_bin_tevo", "looks_bin_tevo4"}) {
        const fs::path looks = bundle / "Contents" / "Resources" / dir;
        fs::create_directories(looks);
        for (int n : {18, 33, 65}) {
            // The entry count as 64-bit little-endian (x86-64), then the entries.
            const std::vector<float> lut = testLut(n);
            const uint64_t count = uint64_t(n) * n * n;
            std::ofstream out(looks / (look_name(n) + ".cube.bin"), std::ios::binary);
            out.write(reinterpret_cast<const char*>(&count), sizeof count);
            out.write(reinterpret_cast<const char*>(lut.data()), std::streamsize(count * 12));
            EXPECT_TRUE(out.good()) << looks / look_name(n);
        }
    }
    return bundle;
}

class CudaRender : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string why;
        if (!deviceAvailable(&why))
            return;
        s_bundleDir = make_test_bundle();
        s_host = std::make_unique<ofxhost::Host>();
        ofxhost::Bundle& bundle = s_host->loadBundle(s_bundleDir.string());
        s_effect = bundle.effects().at(0);
        s_renderer = std::make_unique<ofxhost::CudaRenderer>();
    }
    static void TearDownTestSuite()
    {
        s_renderer.reset();
        s_host.reset();
        if (!s_bundleDir.empty())
            fs::remove_all(s_bundleDir.parent_path());
    }

    static inline fs::path s_bundleDir;
    static inline std::unique_ptr<ofxhost::Host> s_host;
    static inline ofxhost::Effect* s_effect = nullptr;
    static inline std::unique_ptr<ofxhost::CudaRenderer> s_renderer;
};

TEST_F(CudaRender, MatchesTheCpuRender)
{
    ZELK_REQUIRE_CUDA();
    const int height = 19;
    for (int n : {18, 33, 65}) {
        auto instance = s_effect->createInstance();
        instance->setChoice("printStock", look_name(n));
        instance->paramChanged("printStock");
        for (int width : {1000, 1920}) {
            const std::vector<float> src = testFrame(width, height);
            for (double mix : {0.0, 0.5, 1.0}) {
                instance->setParam("color", mix);
                instance->paramChanged("color");
                std::vector<float> cpu(src.size(), unwritten());
                EXPECT_EQ(ofxhost::renderWholeFrame(*instance, 0.0, src.data(), cpu.data(), width,
                                                    height),
                          kOfxStatOK);
                std::vector<float> gpu(src.size(), unwritten());
                EXPECT_EQ(s_renderer->render(*instance, 0.0, src.data(), gpu.data(), width, height),
                          kOfxStatOK);

                // These mixes blend with exact products, where the fused GPU blend
                // and the CPU blend agree; one ulp covers a vectorised CPU path.
                const FrameDiff diff = compareFrames(cpu, gpu, 1);
                EXPECT_EQ(diff.mismatches, 0)
                    << "N " << n << " width " << width << " mix " << mix << ": sample "
                    << diff.firstIndex << " is " << diff.actual << " on CUDA, " << diff.expected
                    << " on the CPU";
                long unwrittenCount = 0, alphaChanged = 0;
                for (size_t i = 0; i < gpu.size(); ++i) {
                    unwrittenCount += isUnwritten(gpu[i]);
                    if (i % 4 == 3)
                        alphaChanged += std::memcmp(&gpu[i], &src[i], 4) != 0;
                }
                EXPECT_EQ(unwrittenCount, 0) << "N " << n << " width " << width;
                EXPECT_EQ(alphaChanged, 0) << "N " << n << " width " << width;
            }
        }
    }
}

TEST_F(CudaRender, WindowsOriginsPaddedAndDownwardRowsMatchTheCpuRender)
{
    ZELK_REQUIRE_CUDA();
    auto instance = s_effect->createInstance();
    instance->setChoice("printStock", look_name(33));
    instance->setParam("color", 1.0);
    const struct {
        const char* what;
        OfxRectI srcBounds, dstBounds, window;
        int srcPad, dstPad; // bytes after each row
        bool downward;
    } cases[] = {
        {"window", {0, 0, 90, 12}, {0, 0, 90, 12}, {7, 2, 71, 9}, 0, 0, false},
        {"rows going down", {0, 0, 45, 7}, {0, 0, 45, 7}, {3, 1, 40, 6}, 0, 32, true},
        // Each image with its own origin and padding, the window inside both.
        {"all at once", {-20, -3, 80, 14}, {-8, 0, 60, 11}, {-5, 1, 33, 10}, 16, 112, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int sign = c.downward ? -1 : 1;
        const int srcRow = (c.srcBounds.x2 - c.srcBounds.x1) * 16 + c.srcPad;
        const int dstRow = (c.dstBounds.x2 - c.dstBounds.x1) * 16 + c.dstPad;
        zelktest::HostImage src(c.srcBounds, sign * srcRow, 0.0f);
        src.block = testFrame(int(src.block.size() / 4), 1);
        zelktest::HostImage gpu(c.dstBounds, sign * dstRow, unwritten());
        zelktest::HostImage cpu(c.dstBounds, sign * dstRow, unwritten());
        ASSERT_EQ(s_renderer->renderImages(*instance, 0.0, src.desc(), gpu.desc(), c.window),
                  kOfxStatOK);
        ASSERT_EQ(ofxhost::renderImages(*instance, 0.0, src.desc(), cpu.desc(), c.window),
                  kOfxStatOK);
        // Outside the window (padding too) both leave the marks alone.
        const FrameDiff diff = compareFrames(cpu.block, gpu.block, 1);
        EXPECT_EQ(diff.mismatches, 0) << "sample " << diff.firstIndex << " is " << diff.actual
                                      << " on CUDA, " << diff.expected << " on the CPU";
    }
}

} // namespace
