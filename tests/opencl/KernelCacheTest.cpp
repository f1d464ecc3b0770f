// Program builds, the per-queue kernel cache and what they log.

#include <gtest/gtest.h>

#include <regex>

#include "ClTestDevice.h"
#include "LookTestData.h"
#include "OpenClLibrary.h"
#include "OpenClPrograms.h"
#include "RecordingLog.h"

using namespace looktest;

namespace {

// Renders a small image on `queue` and returns the lines logged meanwhile.
std::vector<std::string> render_and_log(cl_command_queue queue, int n)
{
    ClTestDevice& device = ClTestDevice::get();
    const Lut lut = twistedLut(n);
    const Pixels src = chart(40, 3, n);
    ClBuffer srcBuffer(device.upload(src));
    ClBuffer dstBuffer(device.filled(src.size(), 0.0f));
    RecordingLog::clear();
    RunOpenClKernel3DLUT(queue, 40, 3, 1.0f, lut.data(), n, srcBuffer.asFloats(),
                         dstBuffer.asFloats());
    const auto lines = RecordingLog::lines();
    EXPECT_EQ(compareWithinUlp(cpuLook(lut, n, 1.0f, src),
                               device.download(dstBuffer.get(), src.size(), queue), 1),
              "");
    return lines;
}

bool is_alloc_line(const std::string& line, int bytes)
{
    return std::regex_match(line, std::regex("Alloc OpenCl buffSize " + std::to_string(bytes) +
                                             ", address [1-9][0-9]*"));
}

const char* const kUndefinedName =
    "__kernel void Broken(__global float* p) { p[0] = undefined_name; }\n";
// Only a warning without -Werror: a non-void function that returns nothing.
const char* const kWarningOnly =
    "int no_return(int x) { if (x > 0) return 1; }\n"
    "__kernel void Warns(__global int* p) { p[0] = no_return(p[0]); }\n";

} // namespace

TEST(OpenClKernelCache, EachRenderLogsOneLutUploadAndBuildsOncePerQueue)
{
    ZELK_REQUIRE_OPENCL();
    ClTestDevice& device = ClTestDevice::get();
    cl_command_queue queue = device.newQueue();
    for (int n : {33, 33, 7}) {
        const auto lines = render_and_log(queue, n);
        ASSERT_EQ(lines.size(), 1u) << "no build messages expected, got: " << lines.front();
        EXPECT_TRUE(is_alloc_line(lines[0], n * n * n * 12)) << lines[0];
    }

    // A cached name answers with its kernel whatever the text; nothing is built.
    void* cached = OpenCl::LookupKernel(queue, OpenClPrograms::Process3DLUT, "Process3DLUT");
    ASSERT_NE(cached, nullptr);
    RecordingLog::clear();
    EXPECT_EQ(OpenCl::LookupKernel(queue, kUndefinedName, "Process3DLUT"), cached);
    EXPECT_TRUE(RecordingLog::lines().empty());

    // Another queue of the same context builds its own: the broken text fails there.
    cl_command_queue other = device.newQueue();
    RecordingLog::clear();
    EXPECT_EQ(OpenCl::LookupKernel(other, kUndefinedName, "Process3DLUT"), nullptr);
    EXPECT_EQ(RecordingLog::linesStartingWith("Couldn't build OpenCl program! error = ").size(), 1u);
    // ... and nothing was cached for it, so the real text still builds and renders.
    const auto lines = render_and_log(other, 5);
    ASSERT_EQ(lines.size(), 1u) << lines.front();
    EXPECT_TRUE(is_alloc_line(lines[0], 5 * 5 * 5 * 12)) << lines[0];
    EXPECT_NE(OpenCl::LookupKernel(other, OpenClPrograms::Process3DLUT, "Process3DLUT"), cached);
}

TEST(OpenClKernelCache, FailedBuildLogsItsBuildLogOnEveryAttempt)
{
    ZELK_REQUIRE_OPENCL();
    ClTestDevice& device = ClTestDevice::get();
    const std::string failed =
        "Couldn't build OpenCl program! error = " + std::to_string(CL_BUILD_PROGRAM_FAILURE);
    // The failure line, then the build log (which may span several lines).
    auto expect_build_failure = [&](const char* source, const char* name, const char* logged) {
        RecordingLog::clear();
        EXPECT_EQ(OpenCl::LookupKernel(device.queue(), source, name), nullptr);
        const auto lines = RecordingLog::lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], failed);
        EXPECT_EQ(RecordingLog::linesStartingWith("Couldn't").size(), 1u);
        std::string buildLog;
        for (size_t i = 1; i < lines.size(); ++i)
            buildLog += lines[i] + "\n";
        EXPECT_NE(buildLog.find(logged), std::string::npos) << buildLog;
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        expect_build_failure(kUndefinedName, "Broken", "undefined_name");
    }
    // Warnings fail the build too.
    expect_build_failure(kWarningOnly, "Warns", "does not return a value");
}

TEST(OpenClKernelCache, OtherFailuresAreLoggedWithTheirCode)
{
    ZELK_REQUIRE_OPENCL();
    ClTestDevice& device = ClTestDevice::get();

    RecordingLog::clear();
    EXPECT_EQ(OpenCl::LookupKernel(device.queue(), OpenClPrograms::ProcessConvertToPlanar,
                                   "NoSuchKernel"),
              nullptr);
    EXPECT_EQ(RecordingLog::lines(),
              std::vector<std::string>{"Couldn't create OpenCl kernel! error = " +
                                       std::to_string(CL_INVALID_KERNEL_NAME)});

    RecordingLog::clear();
    EXPECT_EQ(OpenCl::LookupKernel(nullptr, OpenClPrograms::Process3DLUT, "Process3DLUT"),
              nullptr);
    EXPECT_EQ(RecordingLog::lines(),
              std::vector<std::string>{"Couldn't get opencl queue context! error = " +
                                       std::to_string(CL_INVALID_COMMAND_QUEUE)});

    RecordingLog::clear();
    EXPECT_EQ(OpenCl::AllocBuffer(nullptr, 64, nullptr), nullptr);
    EXPECT_EQ(RecordingLog::lines(),
              std::vector<std::string>{"Unable to get the OpenCL context! error = " +
                                       std::to_string(CL_INVALID_COMMAND_QUEUE)});
}

TEST(OpenClKernelCache, BufferHelpersUploadWriteAndRelease)
{
    ZELK_REQUIRE_OPENCL();
    ClTestDevice& device = ClTestDevice::get();
    const std::vector<float> first = {1.0f, 2.0f, 3.0f, 4.0f};
    const std::vector<float> second = {-1.0f, 0.5f, 8.0f, 16.0f};

    RecordingLog::clear();
    void* buffer = OpenCl::AllocBuffer(device.queue(), sizeof(float) * 4, first.data());
    ASSERT_NE(buffer, nullptr);
    EXPECT_TRUE(is_alloc_line(RecordingLog::lines().at(0), 16)) << RecordingLog::lines().at(0);
    EXPECT_EQ(device.download(static_cast<cl_mem>(buffer), 4), first);

    OpenCl::WriteBuffer(device.queue(), buffer, sizeof(float) * 4, second.data());
    EXPECT_EQ(device.download(static_cast<cl_mem>(buffer), 4), second);

    RecordingLog::clear();
    OpenCl::FreeBuffer(buffer);
    EXPECT_TRUE(RecordingLog::lines().empty());
    OpenCl::FreeBuffer(nullptr);
    EXPECT_EQ(RecordingLog::lines(),
              std::vector<std::string>{"Failed to release OpenCl memory object! error = " +
                                       std::to_string(CL_INVALID_MEM_OBJECT)});
}
