// Two threads rendering different images on one command queue at once share one
// cached kernel: their argument setting and enqueue must not interleave.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "OpenClLibrary.h"
#include "OpenClTestKit.h"

using namespace kit;

TEST(OpenClConcurrency, TwoThreadsRenderDifferentImagesOnOneQueue)
{
    ZELK_REQUIRE_OPENCL();
    auto q = static_cast<cl_command_queue>(renderer()->createQueue());
    const int width = 70, height = 6, rounds = 200;
    struct Job {
        int n;
        float mix;
        Lut lut;
        Pixels src, want;
        int failures;
    } jobs[2] = {{9, 1.0f, redOnlyLut(9), testImage(width, height, 9), {}, 0},
                 {5, 0.4f, bizarreLut(5), testImage(width, height, 5), {}, 0}};
    std::atomic<int> ready{0};
    auto run = [&](Job& job) {
        job.want = deviceLook(job.lut, job.n, job.mix, job.src);
        Buffer in(job.src, q);
        for (++ready; ready.load() < 2;) {
        }
        for (int round = 0; round < rounds; ++round) {
            Buffer out(Pixels(job.src.size(), 0.0f), q);
            RunOpenClKernel3DLUT(q, width, height, job.mix, job.lut.data(), job.n, in.handle(),
                                 out.handle());
            job.failures += !differences(job.want, out.read(q)).empty();
        }
    };
    std::thread first(run, std::ref(jobs[0])), second(run, std::ref(jobs[1]));
    first.join();
    second.join();
    EXPECT_EQ(jobs[0].failures, 0) << "of " << rounds;
    EXPECT_EQ(jobs[1].failures, 0) << "of " << rounds;
}
