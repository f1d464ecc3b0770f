// SIGINT, SIGTERM and SIGHUP remove the temporary files of the outputs being
// written, then end the process by the same signal (so a shell sees 130, 143
// or 129). Finished outputs stay; a temporary file is never left behind.
#pragma once

namespace ofxrender {

// Installs the handlers, except for a signal the process was started ignoring
// (nohup): that one stays ignored.
void installSignalCleanup();

// A temporary file that a signal removes until it is withdrawn. Registering
// and withdrawing are safe against a signal arriving on any thread.
class SignalCleanupEntry {
public:
    // `name` is relative to the directory `dirFd`, which must stay open while registered.
    SignalCleanupEntry(int dirFd, const char* name);
    ~SignalCleanupEntry();
    SignalCleanupEntry(const SignalCleanupEntry&) = delete;
    SignalCleanupEntry& operator=(const SignalCleanupEntry&) = delete;

private:
    int m_slot = -1; // -1: all slots taken (then only the normal clean-up applies)
};

} // namespace ofxrender
