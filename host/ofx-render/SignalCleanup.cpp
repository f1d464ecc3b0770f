#include "SignalCleanup.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace ofxrender {

namespace {

// A few outputs may be written at once; each takes a slot. A slot's name is
// written while its directory is -1 and published by storing the directory,
// so the handler never reads a name being written.
constexpr int kSlots = 8;
constexpr std::size_t kNameBytes = 256;

struct Slot {
    std::atomic<bool> taken{false};
    std::atomic<int> dirFd{-1};
    char name[kNameBytes] = {};
};

Slot s_slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler reads the slots");

extern "C" void removeTemporaryFilesAndDie(int signal)
{
    for (Slot& slot : s_slots) {
        const int dirFd = slot.dirFd.load(std::memory_order_acquire);
        if (dirFd >= 0)
            ::unlinkat(dirFd, slot.name, 0);
    }
    // Die of the signal itself, as the caller expects of it.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
}

} // namespace

void installSignalCleanup()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTemporaryFilesAndDie;
        sigfillset(&action.sa_mask); // no second signal interrupts the clean-up
        ::sigaction(signal, &action, nullptr);
    }
}

SignalCleanupEntry::SignalCleanupEntry(int dirFd, const char* name)
{
    if (std::strlen(name) >= kNameBytes)
        return;
    for (int i = 0; i < kSlots && m_slot < 0; ++i) {
        bool expected = false;
        if (s_slots[i].taken.compare_exchange_strong(expected, true))
            m_slot = i;
    }
    if (m_slot < 0)
        return;
    std::strcpy(s_slots[m_slot].name, name);
    s_slots[m_slot].dirFd.store(dirFd, std::memory_order_release);
}

SignalCleanupEntry::~SignalCleanupEntry()
{
    if (m_slot < 0)
        return;
    s_slots[m_slot].dirFd.store(-1, std::memory_order_release);
    s_slots[m_slot].taken.store(false, std::memory_order_release);
}

} // namespace ofxrender
