// ofx-render's GPU modes against its CPU mode on the demo chart. Each test skips
// itself when this machine has no device for it (or the mode is not built);
// OpenCL's fails instead where a device is required (OpenClRequired.h).
#include "Chart.h"
#include "ToolTestSupport.h"
#include "zelk/ImageIO.h"

#include <ofxhost/Host.h>
#ifdef OFXHOST_HAVE_OPENCL
#include <ofxhost/OpenClRender.h>

#include "OpenClRequired.h"
#endif
#ifdef OFXHOST_HAVE_CUDA
#include <ofxhost/CudaRender.h>
#endif

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const std::string kBundle = ZELK_TEST_BUNDLE;

// Distance in representable floats; NaNs are equal to each other only.
std::int64_t ulpDistance(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) ? 0 : INT64_MAX;
    auto ordered = [](float f) {
        std::int32_t i;
        std::memcpy(&i, &f, sizeof i);
        return i < 0 ? std::int64_t(INT32_MIN) - i : std::int64_t(i);
    };
    return std::llabs(ordered(a) - ordered(b));
}

class OfxRenderGpuTest : public tooltest::ScratchDirTest {
protected:
    // Renders the chart on the CPU and with `gpuArgs`; every sample within 1 ulp.
    void expectGpuMatchesCpu(const std::vector<std::string>& gpuArgs)
    {
        zelk::writeImage(file("chart.exr"),
                         zelkdemo::makeChart(zelk::lut::TransferCurve::Tevo3, 1000, 40),
                         zelk::FileFormat::Exr, zelk::SampleType::Float);
        const std::vector<std::string> common = {
            "-y",        "--bundle",     kBundle,
            "--set",     "printStock=2", "--set",
            "color=0.5", "--set",        "colorSpaceTransform=1"};
        std::vector<std::string> cpu = common, gpu = common;
        cpu.insert(cpu.end(), {"chart.exr", "cpu.exr"});
        gpu.insert(gpu.end(), gpuArgs.begin(), gpuArgs.end());
        gpu.insert(gpu.end(), {"chart.exr", "gpu.exr"});
        const auto r1 = tooltest::runProgram(OFX_RENDER_PATH, cpu, dir.string());
        ASSERT_EQ(r1.exitCode, 0) << r1.err;
        const auto r2 = tooltest::runProgram(OFX_RENDER_PATH, gpu, dir.string());
        ASSERT_EQ(r2.exitCode, 0) << r2.err;
        const zelk::RgbaImage a = zelk::readImage(file("cpu.exr")),
                              b = zelk::readImage(file("gpu.exr"));
        ASSERT_EQ(a.pixels.size(), b.pixels.size());
        for (std::size_t i = 0; i < a.pixels.size(); ++i)
            ASSERT_LE(ulpDistance(a.pixels[i], b.pixels[i]), 1)
                << "sample " << i << ": " << a.pixels[i] << " vs " << b.pixels[i];
    }
};

} // namespace

TEST_F(OfxRenderGpuTest, OpenClModeMatchesTheCpuMode)
{
#ifdef OFXHOST_HAVE_OPENCL
    std::string reason;
    if (!ofxhost::openClDeviceAvailable(&reason))
        ZELK_NO_OPENCL_DEVICE("no OpenCL device: " + reason);
    expectGpuMatchesCpu({"--gpu", "opencl", "--device", "0"});
    const auto bad = tooltest::runProgram(
        OFX_RENDER_PATH,
        {"--bundle", kBundle, "--gpu", "opencl", "--device", "999", "chart.exr", "x.exr"},
        dir.string());
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("999"), std::string::npos) << bad.err;
#else
    GTEST_SKIP() << "ofx-render is built without OpenCL rendering";
#endif
}

TEST_F(OfxRenderGpuTest, CudaModeMatchesTheCpuModeOrSaysWhyNot)
{
#ifdef OFXHOST_HAVE_CUDA
    std::string reason;
    if (!ofxhost::cudaDeviceAvailable(&reason)) {
        // Without a device the mode fails in one line and writes nothing.
        zelk::writeImage(file("in.exr"), zelkdemo::makeChart(zelk::lut::TransferCurve::Tevo4, 8, 8),
                         zelk::FileFormat::Exr, zelk::SampleType::Float);
        const auto r = tooltest::runProgram(
            OFX_RENDER_PATH, {"--bundle", kBundle, "--gpu", "cuda", "in.exr", "out.exr"},
            dir.string());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(tooltest::countLinesStartingWith(r.err, "ofx-render: "), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(file("out.exr")));
        GTEST_SKIP() << "no CUDA device: " << reason;
    }
    expectGpuMatchesCpu({"--gpu", "cuda", "--device", "0"});
#else
    GTEST_SKIP() << "ofx-render is built without CUDA rendering";
#endif
}
