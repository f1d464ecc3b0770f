// Image-sequence file names: "shot.####.exr" or "shot.%04d.exr".
#pragma once

#include <string>
#include <vector>

namespace ofxrender {

class FramePattern {
public:
    // Recognises one run of '#' or one "%d" / "%0Nd" in the file name (not in the
    // directory part). Throws UsageError for more than one, or a malformed '%'.
    explicit FramePattern(const std::string& path);

    bool isSequence() const { return m_isSequence; }
    const std::string& path() const { return m_path; }
    std::string fileForFrame(long frame) const; // the path itself when not a sequence
    // The frames whose files exist, ascending.
    std::vector<long> existingFrames() const;

private:
    std::string m_path;
    std::string m_prefix; // up to the pattern, directory included
    std::string m_suffix;
    int m_width = 0; // minimum digits (zero-padded)
    bool m_isSequence = false;
};

} // namespace ofxrender
