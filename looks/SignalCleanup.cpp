#include "SignalCleanup.h"

#include "LutError.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <limits.h>
#include <mutex>
#include <unistd.h>

namespace zelk::lut {

namespace {

constexpr int kSlots = 16;
constexpr int kFree = 0, kFilling = 1, kActive = 2;
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler reads only slots marked active, each a fixed buffer: nothing it
// touches is allocated or freed while it may run.
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
Slot g_slots[kSlots];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free flags");

extern "C" void removeRegisteredFiles(int signal)
{
    for (Slot& slot : g_slots)
        if (slot.state.load(std::memory_order_acquire) == kActive)
            ::unlink(slot.path);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void installHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : kSignals) {
            struct sigaction old {};
            ::sigaction(signal, nullptr, &old);
            if (old.sa_handler == SIG_IGN) // nohup and friends: stay immune
                continue;
            struct sigaction action {};
            action.sa_handler = removeRegisteredFiles;
            sigemptyset(&action.sa_mask);
            for (int other : kSignals)
                sigaddset(&action.sa_mask, other);
            ::sigaction(signal, &action, nullptr);
        }
    });
}

sigset_t fatalSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals)
        sigaddset(&set, signal);
    return set;
}

} // namespace

RemoveOnSignal::RemoveOnSignal(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        throw LutError(where(path) + "the path is too long");
    installHandlers();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_slots[i].state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].state.store(kActive, std::memory_order_release);
            m_slot = i;
            return;
        }
    }
    throw LutError(where(path) + "too many temporary files at once");
}

RemoveOnSignal::RemoveOnSignal(RemoveOnSignal&& other) noexcept : m_slot(other.m_slot)
{
    other.m_slot = -1;
}

RemoveOnSignal::~RemoveOnSignal()
{
    if (m_slot >= 0)
        g_slots[m_slot].state.store(kFree, std::memory_order_release);
}

HoldSignals::HoldSignals()
{
    const sigset_t set = fatalSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &m_previous);
}

HoldSignals::~HoldSignals()
{
    ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

} // namespace zelk::lut
