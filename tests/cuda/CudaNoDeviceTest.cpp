// Where no CUDA device can be used, the host's CUDA mode says so in one line
// instead of failing later inside a render.
#include <gtest/gtest.h>

#include <ofxhost/CudaRender.h>
#include <ofxhost/Error.h>

#include <string>

namespace {

TEST(CudaNoDevice, RendererRefusesWithOneLineReason)
{
    std::string reason;
    if (ofxhost::cudaDeviceAvailable(&reason)) {
        GTEST_SKIP() << "a CUDA device is present";
    }
    EXPECT_EQ(reason.rfind("no CUDA device: ", 0), 0u) << reason;
    EXPECT_EQ(reason.find('\n'), std::string::npos);
    try {
        ofxhost::CudaRenderer renderer;
        FAIL() << "a renderer without a device";
    } catch (const ofxhost::Error& e) {
        EXPECT_EQ(std::string(e.what()), reason);
    }
    // Asking again gives the same answer: the failed query left no stale error behind.
    std::string again;
    EXPECT_FALSE(ofxhost::cudaDeviceAvailable(&again));
    EXPECT_EQ(again, reason);
}

} // namespace
