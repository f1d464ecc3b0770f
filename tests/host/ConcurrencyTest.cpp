// Several instances rendering at once from their own threads share the one thread pool.
#include "HostTestUtil.h"

#include <ofxhost/Host.h>

#include <ofxImageEffect.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(HostConcurrency, InstancesRenderAtOnceOnTheirOwnThreads) {
    ofxhost::Host host;
    host.setReportedCPUs(8);  // more bands than the pool has threads
    ofxhost::Effect* effect = host.loadBundle(hosttest::fakeBundle()).effects().at(0);
    constexpr int kInstances = 4;
    constexpr int kRenders = 25;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int k = 0; k < kInstances; ++k) {
        threads.emplace_back([&, k] {
            auto instance = effect->createInstance();
            hosttest::Pixels src(64, 37), dst(64, 37);
            for (size_t i = 0; i < src.data.size(); ++i) src.data[i] = static_cast<float>(i % 97);
            instance->setClipImage("Source", src.desc());
            instance->setClipImage("Output", dst.desc());
            instance->setParam("gain", 1.0 + k);
            for (int r = 0; r < kRenders; ++r) {
                std::fill(dst.data.begin(), dst.data.end(), -1.0f);
                if (instance->render(r, OfxRectI{0, 0, 64, 37}) != kOfxStatOK) ++failures;
                for (size_t i = 0; i < dst.data.size(); ++i)
                    if (dst.data[i] != src.data[i] * static_cast<float>(1 + k)) {
                        ++failures;
                        break;
                    }
            }
            if (instance->liveImageCount() != 0) ++failures;
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    host.setReportedCPUs(0);
}

// Callers of the suite from many threads at once each get all their indices, once.
TEST(HostConcurrency, MultiThreadCallsFromManyThreadsAtOnce) {
    ofxhost::Host host;
    OfxHost* h = host.ofxHost();
    static const OfxMultiThreadSuiteV1* suite =
        static_cast<const OfxMultiThreadSuiteV1*>(h->fetchSuite(h->host, kOfxMultiThreadSuite, 1));
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (int c = 0; c < 6; ++c) {
        callers.emplace_back([&] {
            for (int round = 0; round < 200; ++round) {
                std::vector<std::atomic<int>> hits(13);
                auto hit = [](unsigned i, unsigned, void* arg) { ++(*static_cast<std::vector<std::atomic<int>>*>(arg))[i]; };
                if (suite->multiThread(hit, 13, &hits) != kOfxStatOK) ++failures;
                for (auto& n : hits)
                    if (n.load() != 1) ++failures;
            }
        });
    }
    for (auto& t : callers) t.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
