// The inputs ofx-render connects to the effect's clips: the positional INPUT as "Source" and each
// --input CLIP=PATTERN, read as the effect asks for their frames.
#pragma once

#include "FramePattern.h"
#include "zelk/ImageFile.h"

#include <ofxhost/Types.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ofxrender {

// One frame read from an input file: its pixels (top row first) and the rest of the file.
struct DecodedFrame {
    zelk::ImageInfo info;
    zelk::PixelBuffer buffer;
    zelk::PixelView pixels;
    std::unique_ptr<zelk::Passthrough> rest;

    OfxRectI bounds() const; // in the host's coordinates, y up
    // The pixels as the host's image: bottom row first, through a negative stride.
    ofxhost::ImageDesc image() const;
};

// The pixel buffers of frames no longer used, for the next frames to decode into: memory is
// taken once, not for every frame. Safe from any thread.
class BufferStock {
public:
    zelk::PixelBuffer take(); // an empty buffer when none is in stock
    void giveBack(zelk::PixelBuffer buffer);

private:
    static constexpr std::size_t kMost = 1; // a sequence's frames come one at a time
    std::mutex m_mutex;
    std::vector<zelk::PixelBuffer> m_buffers;
};

// The frames of one input: one file shown at every time, or a sequence's file for each frame.
// frame() (the render's thread) and readAhead() (a reading thread) may run at once.
class InputFrames {
public:
    InputFrames(std::string clip, const std::string& pattern, zelk::ReadOptions read);

    const std::string& clip() const { return m_clip; }
    const FramePattern& pattern() const { return m_pattern; }
    // The sequence's frames on disk, ascending (none for a single image).
    const std::vector<long>& existingFrames() const { return m_existing; }
    // Frame `frame` of a sequence (the file itself for a single image), read once and kept while
    // few frames are; nullptr where the sequence has no file. Throws zelk::ImageIOError for a
    // file that is there but cannot be read. Waits for a readAhead() of that frame under way.
    std::shared_ptr<const DecodedFrame> frame(long frame);
    // Reads frame `frame` into the kept frames before it is asked for. A file that cannot be
    // read is left for frame() to read and report.
    void readAhead(long frame);
    // The clip's frames for the host, at the nearest whole frame number. A file that cannot be
    // read gives the effect no image; takeFailure() then says why.
    ofxhost::ClipInput clipInput();
    // The first file of this input that could not be read since the last call, if any.
    std::optional<std::string> takeFailure();

private:
    static constexpr std::size_t kKept = 3; // a frame and its neighbours

    // The frame number of a file (0 for a single image); nullopt where the sequence has none.
    std::optional<long> fileNumber(long frame) const;
    std::shared_ptr<const DecodedFrame> decode(long number);
    std::shared_ptr<const DecodedFrame> keptFrame(long number) const;    // under m_mutex
    void keep(long number, std::shared_ptr<const DecodedFrame> decoded); // under m_mutex

    std::string m_clip;
    FramePattern m_pattern;
    zelk::ReadOptions m_read;
    std::vector<long> m_existing; // the sequence's frames on disk, ascending
    std::shared_ptr<BufferStock> m_stock = std::make_shared<BufferStock>();
    std::mutex m_mutex; // guards m_kept and m_readingAhead
    std::condition_variable m_readAheadDone;
    std::deque<std::pair<long, std::shared_ptr<const DecodedFrame>>> m_kept;
    std::optional<long> m_readingAhead;
    std::optional<std::string> m_failure; // the render's thread only
};

} // namespace ofxrender
