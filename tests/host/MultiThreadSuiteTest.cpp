// The multi-thread suite outside a spawned call, and its mutexes. Calls from many threads at once
// are the concurrency test's; the count the host is given reaching the plug-in's bands, the render
// tests'.
#include "HostTestUtil.h"

#include <ofxMultiThread.h>

#include <atomic>
#include <thread>

namespace {

TEST(MultiThreadSuite, OutsideASpawnedCallItReportsTheMachinesCores)
{
    ofxhost::HostOptions options;
    options.reportedCPUs = 3;
    ofxhost::Host host(options);
    auto* suite = hosttest::fetchSuite<OfxMultiThreadSuiteV1>(host, kOfxMultiThreadSuite);
    host.setReportedCPUs(0);
    unsigned n = 0, index = 5;
    ASSERT_EQ(suite->multiThreadNumCPUs(&n), kOfxStatOK);
    EXPECT_EQ(n, std::max(1u, std::thread::hardware_concurrency()));
    EXPECT_EQ(n, host.threadPoolSize());
    EXPECT_EQ(suite->multiThreadIndex(&index), kOfxStatOK);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(suite->multiThreadIsSpawnedThread(), 0);
    EXPECT_EQ(suite->multiThreadNumCPUs(nullptr), kOfxStatErrValue);
    EXPECT_EQ(suite->multiThread(nullptr, 4, nullptr), kOfxStatErrValue);
}

TEST(MultiThreadSuite, MutexesAreRecursiveAndOwnedByOneThread)
{
    ofxhost::Host host;
    auto* suite = hosttest::fetchSuite<OfxMultiThreadSuiteV1>(host, kOfxMultiThreadSuite);
    OfxMutexHandle m = nullptr;
    ASSERT_EQ(suite->mutexCreate(&m, 1), kOfxStatOK) << "created locked once";
    auto fromOtherThread = [&](OfxStatus (*call)(OfxMutexHandle)) {
        OfxStatus st = kOfxStatErrFatal;
        std::thread([&] { st = call(m); }).join();
        return st;
    };
    EXPECT_EQ(fromOtherThread(suite->mutexTryLock), kOfxStatFailed);
    EXPECT_EQ(suite->mutexLock(m), kOfxStatOK) << "the owner may lock again";
    EXPECT_EQ(suite->mutexUnLock(m), kOfxStatOK);
    EXPECT_EQ(fromOtherThread(suite->mutexTryLock), kOfxStatFailed) << "still held once";
    EXPECT_EQ(fromOtherThread(suite->mutexUnLock), kOfxStatErrValue) << "only the owner unlocks";
    EXPECT_EQ(suite->mutexUnLock(m), kOfxStatOK);
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
