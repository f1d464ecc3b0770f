// Two renders sharing one command queue (and so one cached kernel) at once.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ClTestDevice.h"
#include "LookTestData.h"
#include "OpenClLibrary.h"

using namespace looktest;

namespace {

struct Job {
    int n;
    float mix;
    Lut lut;
    Pixels src;
    Pixels expected;
    int failures = 0;
};

constexpr int kWidth = 70, kHeight = 6, kRounds = 40;

void run_rounds(Job& job, cl_command_queue queue, std::atomic<int>& ready)
{
    ClTestDevice& device = ClTestDevice::get();
    ClBuffer src(device.upload(job.src));
    ++ready;
    while (ready.load() < 2) {
    }
    for (int round = 0; round < kRounds; ++round) {
        ClBuffer dst(device.filled(job.src.size(), 0.0f));
        RunOpenClKernel3DLUT(queue, kWidth, kHeight, job.mix, job.lut.data(), job.n,
                             src.asFloats(), dst.asFloats());
        if (!compareWithinUlp(job.expected, device.download(dst.get(), job.src.size(), queue), 0)
                 .empty())
            ++job.failures;
    }
}

} // namespace

TEST(OpenClConcurrency, TwoThreadsRenderDifferentImagesOnOneQueue)
{
    ZELK_REQUIRE_OPENCL();
    cl_command_queue queue = ClTestDevice::get().newQueue();
    Job a{9, 1.0f, twistedLut(9), chart(kWidth, kHeight, 9), {}};
    Job b{5, 0.4f, bizarreLut(5), wideRamp(kWidth, kHeight), {}};
    a.expected = fusedLook(a.lut, a.n, a.mix, a.src);
    b.expected = fusedLook(b.lut, b.n, b.mix, b.src);

    std::atomic<int> ready{0};
    std::thread first(run_rounds, std::ref(a), queue, std::ref(ready));
    std::thread second(run_rounds, std::ref(b), queue, std::ref(ready));
    first.join();
    second.join();
    EXPECT_EQ(a.failures, 0) << "of " << kRounds << " rounds";
    EXPECT_EQ(b.failures, 0) << "of " << kRounds << " rounds";
}
