#include "ThreadPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace ofxhost {
namespace {

thread_local bool t_inCall = false;
thread_local unsigned t_index = 0;

std::atomic<unsigned> g_reportedCPUs{0};

struct Job {
    Job(OfxThreadFunctionV1* f, unsigned n, void* a) : func(f), count(n), arg(a) {}
    OfxThreadFunctionV1* func;
    unsigned count;
    void* arg;
    unsigned next = 0; // next index to hand out; guarded by the pool's queue mutex
    std::mutex doneMutex;
    std::condition_variable doneCv;
    unsigned done = 0;
};

// Runs one index of a job as a spawned call, then counts it done. The job may be destroyed by its
// owner as soon as the last count is published, so nothing touches it after the notify.
void runIndex(Job& job, unsigned index)
{
    const bool wasInCall = t_inCall;
    const unsigned oldIndex = t_index;
    t_inCall = true;
    t_index = index;
    job.func(index, job.count, job.arg);
    t_inCall = wasInCall;
    t_index = oldIndex;
    std::lock_guard<std::mutex> lock(job.doneMutex);
    if (++job.done == job.count)
        job.doneCv.notify_all();
}

} // namespace

struct ThreadPool::Impl {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Job*> queue;
    bool stopping = false;
    std::vector<std::thread> workers;

    // Hands out the next index of the oldest job with work left; false when the queue is empty.
    bool claim(Job** job, unsigned* index)
    {
        while (!queue.empty()) {
            Job* front = queue.front();
            if (front->next < front->count) {
                *job = front;
                *index = front->next++;
                if (front->next == front->count)
                    queue.pop_front();
                return true;
            }
            queue.pop_front();
        }
        return false;
    }

    // Hands out the next index of one particular job (the caller helping with its own work).
    bool claimOwn(Job& job, unsigned* index)
    {
        if (job.next >= job.count)
            return false;
        *index = job.next++;
        if (job.next == job.count) {
            auto it = std::find(queue.begin(), queue.end(), &job);
            if (it != queue.end())
                queue.erase(it);
        }
        return true;
    }

    void workerLoop()
    {
        for (;;) {
            Job* job = nullptr;
            unsigned index = 0;
            {
                std::unique_lock<std::mutex> lock(mutex);
                cv.wait(lock, [&] { return stopping || !queue.empty(); });
                if (!claim(&job, &index)) {
                    if (stopping)
                        return;
                    continue;
                }
            }
            runIndex(*job, index);
        }
    }
};

ThreadPool& ThreadPool::instance()
{
    static ThreadPool pool;
    return pool;
}

ThreadPool::ThreadPool()
    : m_size(std::max(1u, std::thread::hardware_concurrency())), m_impl(new Impl)
{
    m_impl->workers.reserve(m_size);
    for (unsigned i = 0; i < m_size; ++i)
        m_impl->workers.emplace_back([this] { m_impl->workerLoop(); });
}

ThreadPool::~ThreadPool()
{
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        m_impl->stopping = true;
    }
    m_impl->cv.notify_all();
    for (auto& t : m_impl->workers)
        t.join();
    delete m_impl;
}

OfxStatus ThreadPool::run(OfxThreadFunctionV1* func, unsigned n, void* arg)
{
    if (!func)
        return kOfxStatErrValue;
    if (t_inCall)
        return kOfxStatErrExists;
    if (n == 0)
        return kOfxStatOK;
    Job job(func, n, arg);
    {
        std::lock_guard<std::mutex> lock(m_impl->mutex);
        m_impl->queue.push_back(&job);
    }
    if (n > 1)
        m_impl->cv.notify_all();
    // The caller works on its own job too: with every worker busy for other instances it still
    // makes progress, so concurrent renders can never wait on each other.
    for (;;) {
        unsigned index = 0;
        {
            std::lock_guard<std::mutex> lock(m_impl->mutex);
            if (!m_impl->claimOwn(job, &index))
                break;
        }
        runIndex(job, index);
    }
    std::unique_lock<std::mutex> lock(job.doneMutex);
    job.doneCv.wait(lock, [&] { return job.done == job.count; });
    return kOfxStatOK;
}

unsigned currentThreadIndex()
{
    return t_inCall ? t_index : 0;
}
bool isSpawnedThread()
{
    return t_inCall;
}

void setReportedCPUCount(unsigned count)
{
    g_reportedCPUs.store(count);
}
unsigned reportedCPUCount()
{
    const unsigned set = g_reportedCPUs.load();
    return set ? set : ThreadPool::instance().size();
}

} // namespace ofxhost
