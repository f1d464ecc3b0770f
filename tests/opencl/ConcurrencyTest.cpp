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
    const int width = 70, height = 6, rounds = 40;
    struct Job {
        int n;
        float mix;
        Lut lut;
        Pixels src, want;
        int failures;
    } jobs[2] = {{9, 1.0f, redOnlyLut(9), chart(width, height, 9), {}, 0},
                 {5, 0.4f, bizarreLut(5), wideRamp(width, height), {}, 0}};
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

TEST(OpenClConcurrency, HostRendersInstancesFromTwoThreadsOnOneQueue)
{
    ZELK_REQUIRE_OPENCL();
    const int width = 150, height = 8;
    struct Job {
        const TestLook& look;
        float mix;
        Pixels src;
        int failures;
    } jobs[2] = {{kTestLooks[1], 1.0f, chart(width, height, 19), 0},
                 {kTestLooks[2], 0.3f, wideRamp(width, height), 0}};
    std::atomic<int> ready{0};
    auto run = [&](Job& job, std::unique_ptr<ofxhost::Instance> effect) {
        const Pixels want = deviceLook(job.look.make(job.look.n), job.look.n, job.mix, job.src);
        for (++ready; ready.load() < 2;) {
        }
        for (int round = 0; round < 8; ++round) {
            Pixels out(job.src.size(), 0.0f);
            job.failures += renderer()->render(*effect, 0.0, job.src.data(), out.data(), width,
                                               height) != kOfxStatOK ||
                            !differences(want, out).empty();
        }
    };
    std::thread first(run, std::ref(jobs[0]), instance(jobs[0].look, jobs[0].mix));
    std::thread second(run, std::ref(jobs[1]), instance(jobs[1].look, jobs[1].mix));
    first.join();
    second.join();
    EXPECT_EQ(jobs[0].failures, 0);
    EXPECT_EQ(jobs[1].failures, 0);
}
