#ifndef OFXS_MULTITHREAD_H
#define OFXS_MULTITHREAD_H
// The host's threads and mutexes.

#include "ofxsCore.h"

namespace OFX {
namespace MultiThread {

// Runs multiThreadFunction(i, n) for i = 0..n-1 and returns when all are done.
class Processor {
public:
    Processor();
    virtual ~Processor();
    virtual void multiThreadFunction(unsigned int threadID, unsigned int nThreads) = 0;
    // nCPUs 0: getNumCPUs(). 1: one call on the calling thread. Otherwise the host's
    // multi-thread suite runs the calls. An exception thrown by any call is caught
    // on its thread and rethrown here once all have finished; a failing suite call
    // throws its status.
    virtual void multiThread(unsigned int nCPUs = 0);
};

// The host's CPU count; 1 when the suite is missing or the call fails.
unsigned int getNumCPUs();
// 0 outside the host's spawned threads or without the suite.
unsigned int getThreadIndex();
bool isSpawnedThread();

// A host mutex; without the suite all operations are no-ops and tryLock fails.
class Mutex {
public:
    explicit Mutex(int lockCount = 0);
    virtual ~Mutex();
    void lock();
    void unlock();
    bool tryLock();

private:
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    OfxMutexHandle _handle = nullptr;
};

class AutoMutex {
public:
    explicit AutoMutex(Mutex& m) : _mutex(m) { _mutex.lock(); }
    ~AutoMutex()
    {
        try {
            _mutex.unlock();
        } catch (...) {
        }
    }

private:
    AutoMutex(const AutoMutex&) = delete;
    AutoMutex& operator=(const AutoMutex&) = delete;
    Mutex& _mutex;
};

} // namespace MultiThread
} // namespace OFX

#endif
