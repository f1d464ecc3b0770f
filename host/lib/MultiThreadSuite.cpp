// The multi-thread suite: the shared thread pool and recursive mutexes.
#include "Internal.h"
#include "ThreadPool.h"

#include <condition_variable>
#include <mutex>
#include <thread>

struct OfxMutex {
    static constexpr unsigned kMagic = 0x4d555458u; // "MUTX"
    unsigned magic = kMagic;
    std::mutex mutex;
    std::condition_variable cv;
    std::thread::id owner;
    int count = 0;
};

namespace ofxhost {
namespace {

OfxMutex* mutexOf(OfxMutexHandle h)
{
    return h && h->magic == OfxMutex::kMagic ? h : nullptr;
}

OfxStatus multiThread(OfxThreadFunctionV1 func, unsigned int nThreads, void* customArg)
{
    return ThreadPool::instance().run(func, nThreads, customArg);
}

OfxStatus multiThreadNumCPUs(unsigned int* nCPUs)
{
    if (!nCPUs)
        return kOfxStatErrValue;
    *nCPUs = reportedCPUCount();
    return kOfxStatOK;
}

OfxStatus multiThreadIndex(unsigned int* threadIndex)
{
    if (!threadIndex)
        return kOfxStatErrValue;
    *threadIndex = currentThreadIndex();
    return kOfxStatOK;
}

int multiThreadIsSpawnedThread()
{
    return isSpawnedThread() ? 1 : 0;
}

// A recursive mutex that is created already locked lockCount times by the creating thread.
OfxStatus mutexCreate(OfxMutexHandle* mutex, int lockCount)
{
    if (!mutex || lockCount < 0)
        return kOfxStatErrValue;
    auto* m = new OfxMutex;
    if (lockCount > 0) {
        m->owner = std::this_thread::get_id();
        m->count = lockCount;
    }
    *mutex = m;
    return kOfxStatOK;
}

OfxStatus mutexDestroy(const OfxMutexHandle mutex)
{
    OfxMutex* m = mutexOf(mutex);
    if (!m)
        return kOfxStatErrBadHandle;
    m->magic = 0;
    delete m;
    return kOfxStatOK;
}

OfxStatus mutexLock(const OfxMutexHandle mutex)
{
    OfxMutex* m = mutexOf(mutex);
    if (!m)
        return kOfxStatErrBadHandle;
    const auto self = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(m->mutex);
    if (m->count > 0 && m->owner == self) {
        ++m->count;
        return kOfxStatOK;
    }
    m->cv.wait(lock, [m] { return m->count == 0; });
    m->owner = self;
    m->count = 1;
    return kOfxStatOK;
}

OfxStatus mutexUnLock(const OfxMutexHandle mutex)
{
    OfxMutex* m = mutexOf(mutex);
    if (!m)
        return kOfxStatErrBadHandle;
    std::lock_guard<std::mutex> lock(m->mutex);
    if (m->count == 0 || m->owner != std::this_thread::get_id())
        return kOfxStatErrValue;
    if (--m->count == 0) {
        m->owner = std::thread::id();
        m->cv.notify_one();
    }
    return kOfxStatOK;
}

OfxStatus mutexTryLock(const OfxMutexHandle mutex)
{
    OfxMutex* m = mutexOf(mutex);
    if (!m)
        return kOfxStatErrBadHandle;
    const auto self = std::this_thread::get_id();
    std::lock_guard<std::mutex> lock(m->mutex);
    if (m->count > 0 && m->owner != self)
        return kOfxStatFailed;
    m->owner = self;
    ++m->count;
    return kOfxStatOK;
}

const OfxMultiThreadSuiteV1 kSuite = {
    multiThread, multiThreadNumCPUs, multiThreadIndex, multiThreadIsSpawnedThread,
    mutexCreate, mutexDestroy,       mutexLock,        mutexUnLock,
    mutexTryLock};

} // namespace

const void* multiThreadSuite()
{
    return &kSuite;
}

} // namespace ofxhost
