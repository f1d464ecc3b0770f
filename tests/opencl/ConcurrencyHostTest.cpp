// Instances rendering through our host from several threads on one queue.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "HostSession.h"
#include "LookTestData.h"

using namespace looktest;

namespace {
constexpr int kWidth = 150, kHeight = 8, kRounds = 10;
} // namespace

TEST(OpenClConcurrency, InstancesRenderFromSeveralThreadsThroughTheHost)
{
    ZELK_REQUIRE_OPENCL_HOST();
    HostSession& session = HostSession::get();
    struct HostJob {
        const TestLook* look;
        double mix;
        std::unique_ptr<ofxhost::Instance> instance;
        Pixels src, expected;
        int failures = 0;
    };
    std::vector<HostJob> jobs;
    const double mixes[] = {1.0, 0.25, 0.8};
    for (int j = 0; j < 3; ++j) {
        HostJob job;
        job.look = &kTestLooks[j];
        job.mix = mixes[j];
        job.instance = session.instance(job.look->name, job.mix);
        job.src = j % 2 ? wideRamp(kWidth, kHeight) : chart(kWidth, kHeight, job.look->n);
        job.expected = fusedLook(job.look->make(job.look->n), job.look->n, float(job.mix), job.src);
        jobs.push_back(std::move(job));
    }
    // Each thread renders its own instance; all share the renderer's one queue.
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (HostJob& job : jobs)
        threads.emplace_back([&job, &ready, &session, count = int(jobs.size())] {
            ++ready;
            while (ready.load() < count) {
            }
            for (int round = 0; round < kRounds; ++round) {
                Pixels out(job.src.size(), 0.0f);
                const OfxStatus status = session.renderer->render(
                    *job.instance, 0.0, job.src.data(), out.data(), kWidth, kHeight);
                if (status != kOfxStatOK || !compareWithinUlp(job.expected, out, 0).empty())
                    ++job.failures;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (const HostJob& job : jobs)
        EXPECT_EQ(job.failures, 0) << job.look->name << " of " << kRounds << " rounds";
}
