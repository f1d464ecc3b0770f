// The inputs ofx-render connects to the effect's clips: the positional INPUT as "Source" and each
// --input CLIP=PATTERN, read as the effect asks for their frames.
#pragma once

#include "FramePattern.h"
#include "zelk/ImageFile.h"

#include <ofxhost/Types.h>

#include <deque>
#include <memory>
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

// The frames of one input: one file shown at every time, or a sequence's file for each frame.
class InputFrames {
public:
    InputFrames(std::string clip, const std::string& pattern, zelk::ReadOptions read);

    const std::string& clip() const { return m_clip; }
    const FramePattern& pattern() const { return m_pattern; }
    // Frame `frame` of a sequence (the file itself for a single image), read once and kept while
    // few frames are; nullptr where the sequence has no file. Throws zelk::ImageIOError for a
    // file that is there but cannot be read.
    std::shared_ptr<const DecodedFrame> frame(long frame);
    // The clip's frames for the host, at the nearest whole frame number. A file that cannot be
    // read gives the effect no image; takeFailure() then says why.
    ofxhost::ClipInput clipInput();
    // The first file of this input that could not be read since the last call, if any.
    std::optional<std::string> takeFailure();

private:
    static constexpr std::size_t kKept = 3; // a frame and its neighbours

    std::string m_clip;
    FramePattern m_pattern;
    zelk::ReadOptions m_read;
    std::vector<long> m_existing; // the sequence's frames on disk, ascending
    std::deque<std::pair<long, std::shared_ptr<const DecodedFrame>>> m_kept;
    std::optional<std::string> m_failure;
};

} // namespace ofxrender
