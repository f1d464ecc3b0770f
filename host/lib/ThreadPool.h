// The host's worker threads behind the multi-thread suite: created once per process, shared by
// every Host, safe for several callers (instances rendering on their own threads) at once.
#pragma once

#include <ofxMultiThread.h>

namespace ofxhost {

class ThreadPool {
public:
    static ThreadPool& instance();
    unsigned size() const { return m_size; }
    // Calls func(i, n, arg) once for every i in 0..n-1 across the workers and the calling thread;
    // returns after all calls ended. kOfxStatErrExists when called from inside such a call.
    OfxStatus run(OfxThreadFunctionV1* func, unsigned n, void* arg);

    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    struct Impl;

private:
    ThreadPool();
    unsigned m_size;
    Impl* m_impl;
};

// Index of the current call of a run() (0 outside one) and whether this thread is inside one.
unsigned currentThreadIndex();
bool isSpawnedThread();

// The CPU count the suite reports: the set count, or the pool size when 0.
void setReportedCPUCount(unsigned count);
unsigned reportedCPUCount();

} // namespace ofxhost
