#pragma once

// Interrupting the tools must not leave half-written files behind: temporary
// files are registered here and removed if SIGINT, SIGTERM or SIGHUP ends the
// process, which then dies of that signal as it would have.

#include <csignal>
#include <string>

namespace zelk::lut {

// Registers `path` for removal on a fatal signal for the object's lifetime.
class RemoveOnSignal {
public:
    explicit RemoveOnSignal(const std::string& path);
    ~RemoveOnSignal();
    RemoveOnSignal(RemoveOnSignal&& other) noexcept;
    RemoveOnSignal& operator=(RemoveOnSignal&&) = delete;
    RemoveOnSignal(const RemoveOnSignal&) = delete;
    RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;

private:
    int m_slot = -1;
};

// Holds SIGINT, SIGTERM and SIGHUP back for the object's lifetime: a commit of
// several renames (and its rollback) runs to its end, then the signal acts.
class HoldSignals {
public:
    HoldSignals();
    ~HoldSignals();
    HoldSignals(const HoldSignals&) = delete;
    HoldSignals& operator=(const HoldSignals&) = delete;

private:
    sigset_t m_previous; // the caller's mask, restored at the end
};

} // namespace zelk::lut
