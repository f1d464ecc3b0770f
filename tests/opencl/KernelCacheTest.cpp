// Program builds, the per-queue kernel cache and the buffer helpers, with what
// they log.

#include <gtest/gtest.h>

#include <regex>

#include "OpenClLibrary.h"
#include "OpenClPrograms.h"
#include "OpenClTestKit.h"

using namespace kit;

namespace {

const char* const kUndefinedName = "__kernel void Broken(__global float* p) { p[0] = nowhere; }";
// Only a warning without -Werror: a non-void function that may return nothing.
const char* const kWarningOnly = "int halved(int x) { if (x > 0) return x / 2; }\n"
                                 "__kernel void Warns(__global int* p) { p[0] = halved(p[0]); }";

// Renders a small image on `q`; returns the lines logged meanwhile.
std::vector<std::string> render_logging(cl_command_queue q, int n)
{
    const Lut lut = bizarreLut(n);
    const Pixels src = testImage(40, 3, n);
    Buffer in(src, q), out(Pixels(src.size(), 0.0f), q);
    clearLog();
    RunOpenClKernel3DLUT(q, 40, 3, 1.0f, lut.data(), n, in.handle(), out.handle());
    EXPECT_EQ(differences(deviceLook(lut, n, 1.0f, src), out.read(q)), "");
    return logLines();
}

bool is_alloc_line(const std::string& line, int bytes)
{
    return std::regex_match(line, std::regex("Alloc OpenCl buffSize " + std::to_string(bytes) +
                                             ", address [1-9][0-9]*"));
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(OpenClKernelCache, BuildsOncePerQueueAndLogsOneLutUploadPerRender)
{
    ZELK_REQUIRE_OPENCL();
    auto q = static_cast<cl_command_queue>(renderer()->createQueue());
    for (int n : {33, 33, 7}) {
        const auto lines = render_logging(q, n);
        ASSERT_EQ(lines.size(), 1u) << joined(lines);
        EXPECT_TRUE(is_alloc_line(lines[0], n * n * n * 12)) << lines[0];
    }
    // A cached name answers with its kernel whatever the text: nothing is built.
    void* cached = OpenCl::LookupKernel(q, OpenClPrograms::Process3DLUT, "Process3DLUT");
    clearLog();
    EXPECT_EQ(OpenCl::LookupKernel(q, kUndefinedName, "Process3DLUT"), cached);
    EXPECT_TRUE(logLines().empty());

    // Another queue of the same context builds its own (the broken text fails
    // there), and a failure caches nothing: the real text then builds and renders.
    auto other = static_cast<cl_command_queue>(renderer()->createQueue());
    clearLog();
    EXPECT_EQ(OpenCl::LookupKernel(other, kUndefinedName, "Process3DLUT"), nullptr);
    EXPECT_EQ(logLines().at(0).rfind("Couldn't build OpenCl program!", 0), 0u);
    const auto lines = render_logging(other, 5);
    ASSERT_EQ(lines.size(), 1u) << joined(lines);
    EXPECT_NE(OpenCl::LookupKernel(other, OpenClPrograms::Process3DLUT, "Process3DLUT"), cached);
}

TEST(OpenClKernelCache, FailedBuildLogsTheBuildLog)
{
    ZELK_REQUIRE_OPENCL();
    const std::string failed =
        "Couldn't build OpenCl program! error = " + std::to_string(CL_BUILD_PROGRAM_FAILURE);
    const struct {
        const char* source;
        const char* kernel;
        const char* inLog;
    } builds[] = {{kUndefinedName, "Broken", "nowhere"},
                  {kWarningOnly, "Warns", "does not return a value"}}; // -Werror
    for (const auto& build : builds) {
        clearLog();
        EXPECT_EQ(OpenCl::LookupKernel(queue(), build.source, build.kernel), nullptr);
        // The failure, then the first device's build log, which may span lines.
        const auto lines = logLines();
        ASSERT_GE(lines.size(), 2u) << build.kernel;
        EXPECT_EQ(lines[0], failed);
        EXPECT_NE(joined(lines).find(build.inLog), std::string::npos) << joined(lines);
        EXPECT_EQ(joined(lines).find("Couldn't", 1), std::string::npos) << joined(lines);
    }
}

TEST(OpenClKernelCache, HelpersLogEachFailureWithItsCode)
{
    ZELK_REQUIRE_OPENCL();
    const auto expect_logged = [](const std::string& line, cl_int code) {
        EXPECT_EQ(logLines(), std::vector<std::string>{line + " error = " + std::to_string(code)});
        clearLog();
    };
    clearLog();
    EXPECT_EQ(OpenCl::LookupKernel(queue(), OpenClPrograms::ProcessConvertToPlanar, "Nope"),
              nullptr);
    expect_logged("Couldn't create OpenCl kernel!", CL_INVALID_KERNEL_NAME);
    EXPECT_EQ(OpenCl::LookupKernel(nullptr, OpenClPrograms::Process3DLUT, "Process3DLUT"), nullptr);
    expect_logged("Couldn't get opencl queue context!", CL_INVALID_COMMAND_QUEUE);
    EXPECT_EQ(OpenCl::AllocBuffer(nullptr, 64, nullptr), nullptr);
    expect_logged("Unable to get the OpenCL context!", CL_INVALID_COMMAND_QUEUE);
    OpenCl::FreeBuffer(nullptr);
    expect_logged("Failed to release OpenCl memory object!", CL_INVALID_MEM_OBJECT);

    // A later write reaches the buffer (the upload at creation: every render's LUT).
    const Pixels data = {-1, 0.5f, 8, 16};
    void* buffer = OpenCl::AllocBuffer(queue(), 16, nullptr);
    ASSERT_NE(buffer, nullptr);
    OpenCl::WriteBuffer(queue(), buffer, 16, data.data());
    Pixels got(4);
    cl().clEnqueueReadBuffer(queue(), static_cast<cl_mem>(buffer), CL_TRUE, 0, 16, got.data(), 0,
                             nullptr, nullptr);
    EXPECT_EQ(got, data);
    clearLog();
    OpenCl::FreeBuffer(buffer);
    EXPECT_TRUE(logLines().empty());
}
