// The multi-thread suite: the pool runs every index exactly once, the reported CPU count follows
// the host, and mutexes behave recursively.
#include "HostTestUtil.h"

#include <ofxhost/Host.h>

#include <ofxMultiThread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

const OfxMultiThreadSuiteV1* threadSuite(ofxhost::Host& host) {
    OfxHost* h = host.ofxHost();
    return static_cast<const OfxMultiThreadSuiteV1*>(h->fetchSuite(h->host, kOfxMultiThreadSuite, 1));
}

const OfxMultiThreadSuiteV1* g_suite = nullptr;

struct Record {
    std::vector<std::atomic<int>> calls;
    std::atomic<int> wrongMax{0}, wrongIndex{0}, notSpawned{0}, nestedStatus{-1};
    unsigned expectedMax;
    explicit Record(unsigned n) : calls(n), expectedMax(n) {}
};

void recordCall(unsigned index, unsigned max, void* arg) {
    auto* r = static_cast<Record*>(arg);
    if (index < r->calls.size()) ++r->calls[index];
    if (max != r->expectedMax) ++r->wrongMax;
    unsigned seen = 99999;
    g_suite->multiThreadIndex(&seen);
    if (seen != index) ++r->wrongIndex;
    if (!g_suite->multiThreadIsSpawnedThread()) ++r->notSpawned;
    if (index == 0) r->nestedStatus = g_suite->multiThread(recordCall, 2, arg);  // not allowed
}

TEST(MultiThreadSuite, CallsEveryIndexOnceWithItsOwnIndexVisible) {
    ofxhost::Host host;
    g_suite = threadSuite(host);
    ASSERT_NE(g_suite, nullptr);
    for (unsigned n : {1u, 2u, 7u, 64u, 1000u}) {
        Record r(n);
        ASSERT_EQ(g_suite->multiThread(recordCall, n, &r), kOfxStatOK) << n;
        for (unsigned i = 0; i < n; ++i) ASSERT_EQ(r.calls[i].load(), 1) << "index " << i << " of " << n;
        EXPECT_EQ(r.wrongMax.load(), 0);
        EXPECT_EQ(r.wrongIndex.load(), 0);
        EXPECT_EQ(r.notSpawned.load(), 0);
        EXPECT_EQ(r.nestedStatus.load(), kOfxStatErrExists) << "a spawned call may not spawn again";
    }
    unsigned index = 5;
    EXPECT_EQ(g_suite->multiThreadIndex(&index), kOfxStatOK);
    EXPECT_EQ(index, 0u) << "outside a spawned call";
    EXPECT_EQ(g_suite->multiThreadIsSpawnedThread(), 0);
    EXPECT_EQ(g_suite->multiThread(nullptr, 4, nullptr), kOfxStatErrValue);
}

TEST(MultiThreadSuite, ReportsTheMachinesCoresOrAnyCountTheHostIsGiven) {
    ofxhost::HostOptions options;
    options.reportedCPUs = 3;
    ofxhost::Host host(options);
    const OfxMultiThreadSuiteV1* suite = threadSuite(host);
    unsigned n = 0;
    ASSERT_EQ(suite->multiThreadNumCPUs(&n), kOfxStatOK);
    EXPECT_EQ(n, 3u);
    for (unsigned count : {1u, 7u, 16u, 64u}) {
        host.setReportedCPUs(count);
        suite->multiThreadNumCPUs(&n);
        EXPECT_EQ(n, count);
    }
    host.setReportedCPUs(0);
    suite->multiThreadNumCPUs(&n);
    EXPECT_EQ(n, std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(n, host.threadPoolSize());
    EXPECT_EQ(suite->multiThreadNumCPUs(nullptr), kOfxStatErrValue);
}

TEST(MultiThreadSuite, MutexesAreRecursiveAndOwnedByOneThread) {
    ofxhost::Host host;
    const OfxMultiThreadSuiteV1* suite = threadSuite(host);
    OfxMutexHandle m = nullptr;
    ASSERT_EQ(suite->mutexCreate(&m, 1), kOfxStatOK) << "created locked once";
    auto tryFromOtherThread = [&] {
        OfxStatus st = kOfxStatErrFatal;
        std::thread([&] {
            st = suite->mutexTryLock(m);
            if (st == kOfxStatOK) suite->mutexUnLock(m);
        }).join();
        return st;
    };
    EXPECT_EQ(tryFromOtherThread(), kOfxStatFailed);
    EXPECT_EQ(suite->mutexLock(m), kOfxStatOK) << "the owner may lock again";
    EXPECT_EQ(suite->mutexUnLock(m), kOfxStatOK);
    EXPECT_EQ(tryFromOtherThread(), kOfxStatFailed) << "still held once";
    OfxStatus foreignUnlock = kOfxStatOK;
    std::thread([&] { foreignUnlock = suite->mutexUnLock(m); }).join();
    EXPECT_EQ(foreignUnlock, kOfxStatErrValue) << "only the owner unlocks";
    EXPECT_EQ(suite->mutexUnLock(m), kOfxStatOK);
    EXPECT_EQ(tryFromOtherThread(), kOfxStatOK);
    EXPECT_EQ(suite->mutexUnLock(m), kOfxStatErrValue) << "not held";

    // A waiting locker gets the mutex once the owner lets go.
    ASSERT_EQ(suite->mutexLock(m), kOfxStatOK);
    std::atomic<bool> got{false};
    std::thread waiter([&] {
        suite->mutexLock(m);
        got = true;
        suite->mutexUnLock(m);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(got.load());
    suite->mutexUnLock(m);
    waiter.join();
    EXPECT_TRUE(got.load());
    EXPECT_EQ(suite->mutexDestroy(m), kOfxStatOK);
    EXPECT_EQ(suite->mutexLock(nullptr), kOfxStatErrBadHandle);
}

}  // namespace
