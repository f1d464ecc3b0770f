// The multi-thread suite: the reported CPU count follows the host, and mutexes behave
// recursively.
#include "HostTestUtil.h"

#include <ofxhost/Host.h>

#include <ofxMultiThread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const OfxMultiThreadSuiteV1* threadSuite(ofxhost::Host& host)
{
    return hosttest::fetchSuite<OfxMultiThreadSuiteV1>(host, kOfxMultiThreadSuite);
}

// Calls from many threads at once are in the concurrency test, a spawned call spawning again in
// the support layer's. Any count the host is given reaches the plug-in's bands (the render
// suites' probe shows it); without one the suite reports the machine's cores, one pool thread
// each.
TEST(MultiThreadSuite, OutsideASpawnedCallItReportsTheMachinesCores)
{
    ofxhost::HostOptions options;
    options.reportedCPUs = 3;
    ofxhost::Host host(options);
    const OfxMultiThreadSuiteV1* suite = threadSuite(host);
    host.setReportedCPUs(0);
    unsigned n = 0;
    ASSERT_EQ(suite->multiThreadNumCPUs(&n), kOfxStatOK);
    EXPECT_EQ(n, std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(n, host.threadPoolSize());
    EXPECT_EQ(suite->multiThreadNumCPUs(nullptr), kOfxStatErrValue);
    unsigned index = 5;
    EXPECT_EQ(suite->multiThreadIndex(&index), kOfxStatOK);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(suite->multiThreadIsSpawnedThread(), 0);
    EXPECT_EQ(suite->multiThread(nullptr, 4, nullptr), kOfxStatErrValue);
}

TEST(MultiThreadSuite, MutexesAreRecursiveAndOwnedByOneThread)
{
    ofxhost::Host host;
    const OfxMultiThreadSuiteV1* suite = threadSuite(host);
    OfxMutexHandle m = nullptr;
    ASSERT_EQ(suite->mutexCreate(&m, 1), kOfxStatOK) << "created locked once";
    auto tryFromOtherThread = [&] {
        OfxStatus st = kOfxStatErrFatal;
        std::thread([&] {
            st = suite->mutexTryLock(m);
            if (st == kOfxStatOK)
                suite->mutexUnLock(m);
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

} // namespace
