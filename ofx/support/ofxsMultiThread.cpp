// OFX::MultiThread over the host's multi-thread suite.
#include "ofxsMultiThread.h"
#include "ofxsLog.h"
#include "ofxsSupportPrivate.h"

#include <exception>
#include <mutex>

namespace OFX {
namespace MultiThread {

namespace {

// One multiThread call: the processor plus the first exception any thread threw.
struct Job {
    Processor* processor;
    std::mutex mutex;
    std::exception_ptr firstError;
};

// Runs on the host's threads: nothing may escape into the host's C code.
void threadEntry(unsigned int threadIndex, unsigned int threadMax, void* arg)
{
    Job* job = static_cast<Job*>(arg);
    try {
        job->processor->multiThreadFunction(threadIndex, threadMax);
    } catch (...) {
        std::lock_guard<std::mutex> lock(job->mutex);
        if (!job->firstError)
            job->firstError = std::current_exception();
    }
}

} // namespace

Processor::Processor() = default;
Processor::~Processor() = default;

void Processor::multiThread(unsigned int nCPUs)
{
    if (nCPUs == 0)
        nCPUs = getNumCPUs();
    if (nCPUs == 1) {
        multiThreadFunction(0, 1);
        return;
    }
    const OfxMultiThreadSuiteV1* suite = Private::gThreadSuite;
    if (suite == nullptr)
        throw Exception::Suite(kOfxStatFailed);
    Job job;
    job.processor = this;
    OfxStatus status = suite->multiThread(threadEntry, nCPUs, &job);
    if (job.firstError)
        std::rethrow_exception(job.firstError);
    throwSuiteStatusException(status);
}

unsigned int getNumCPUs()
{
    unsigned int n = 1;
    const OfxMultiThreadSuiteV1* suite = Private::gThreadSuite;
    if (suite == nullptr || suite->multiThreadNumCPUs(&n) != kOfxStatOK || n == 0)
        return 1;
    return n;
}

unsigned int getThreadIndex()
{
    unsigned int i = 0;
    const OfxMultiThreadSuiteV1* suite = Private::gThreadSuite;
    if (suite == nullptr || suite->multiThreadIndex(&i) != kOfxStatOK)
        return 0;
    return i;
}

bool isSpawnedThread()
{
    const OfxMultiThreadSuiteV1* suite = Private::gThreadSuite;
    return suite != nullptr && suite->multiThreadIsSpawnedThread() != 0;
}

Mutex::Mutex(int lockCount)
{
    if (Private::gThreadSuite)
        throwSuiteStatusException(Private::gThreadSuite->mutexCreate(&_handle, lockCount));
}

Mutex::~Mutex()
{
    if (Private::gThreadSuite && _handle)
        Private::gThreadSuite->mutexDestroy(_handle);
}

void Mutex::lock()
{
    if (Private::gThreadSuite && _handle)
        throwSuiteStatusException(Private::gThreadSuite->mutexLock(_handle));
}

void Mutex::unlock()
{
    if (Private::gThreadSuite && _handle)
        throwSuiteStatusException(Private::gThreadSuite->mutexUnLock(_handle));
}

bool Mutex::tryLock()
{
    return Private::gThreadSuite && _handle &&
           Private::gThreadSuite->mutexTryLock(_handle) == kOfxStatOK;
}

} // namespace MultiThread
} // namespace OFX
