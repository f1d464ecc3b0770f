// The multi-thread suite called from several threads at once, all sharing its one pool: each call
// runs every index of its own exactly once, on a spawned thread that knows its index.
#include "HostTestUtil.h"

#include <ofxMultiThread.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

const OfxMultiThreadSuiteV1* g_suite = nullptr;

struct Call {
    explicit Call(unsigned n) : hits(n) {}
    std::vector<std::atomic<int>> hits;
    std::atomic<int> wrong{0};
};

void record(unsigned index, unsigned max, void* arg)
{
    auto* call = static_cast<Call*>(arg);
    unsigned seen = max;
    g_suite->multiThreadIndex(&seen);
    if (max != call->hits.size() || seen != index || !g_suite->multiThreadIsSpawnedThread())
        ++call->wrong;
    ++call->hits.at(index);
}

TEST(HostConcurrency, MultiThreadCallsFromManyThreadsAtOnce)
{
    ofxhost::Host host;
    g_suite = hosttest::fetchSuite<OfxMultiThreadSuiteV1>(host, kOfxMultiThreadSuite);
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (unsigned c = 0; c < 6; ++c)
        callers.emplace_back([&failures, c] {
            for (unsigned round = 0; round < 200; ++round) {
                // From one index to many more than the pool has threads.
                Call call(1 + (c * 7 + round) % 40);
                const unsigned n = static_cast<unsigned>(call.hits.size());
                failures += g_suite->multiThread(record, n, &call) != kOfxStatOK || call.wrong;
                for (auto& hits : call.hits)
                    failures += hits.load() != 1;
            }
        });
    for (auto& t : callers)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
