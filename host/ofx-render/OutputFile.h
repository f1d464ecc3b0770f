// Output files that appear whole or not at all, and that nothing planted in a
// shared output folder can redirect: each frame is written into a new
// temporary file beside the output, created exclusively under a random name
// and written through its descriptor, then renamed over the output's name.
#pragma once

#include "SignalCleanup.h"
#include "zelk/ImageIO.h" // ImageIOError

#include <memory>
#include <string>

namespace ofxrender {

class PendingOutput {
public:
    // Creates the temporary file (mode 0666 less the umask, as the output would
    // have), which SIGINT, SIGTERM and SIGHUP remove until it is committed. Throws
    // zelk::ImageIOError when `path` exists and `overwrite` is false, names a directory, or its
    // folder cannot be written.
    PendingOutput(const std::string& path, bool overwrite);
    ~PendingOutput(); // removes the temporary file unless committed
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    int fd() const { return m_fd; }
    // Makes the bytes durable and gives the file the output's name: a link or
    // file already there is replaced (with overwrite) or refused, never
    // written through. Throws zelk::ImageIOError; the temporary file is gone then.
    void commit();

private:
    void committed();

    std::string m_path;
    std::string m_name; // the output's name within its folder
    std::string m_temporaryName;
    int m_dirFd = -1;
    int m_fd = -1;
    bool m_overwrite = false;
    bool m_committed = false;
    std::unique_ptr<SignalCleanupEntry> m_onSignal;
};

} // namespace ofxrender
