// Two instances rendering different images from two threads on one command queue
// at once share one cached kernel: its argument setting and enqueue must not
// interleave between the threads.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "OpenClTestKit.h"

using namespace kit;

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
        for (int round = 0; round < 20; ++round) {
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
