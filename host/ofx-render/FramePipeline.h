// The frames of a run through three stages at once: while frame n renders on
// the calling thread, frame n+1 is read on one thread and frame n-1 written
// on another. The reader decodes into the buffer the plug-in is then given as
// its source image, the plug-in renders into a buffer the writer encodes from:
// no pixel is copied between them.
#pragma once

#include "RenderSession.h"
#include "zelk/ImageFile.h"

#include <functional>
#include <string>
#include <vector>

namespace ofxrender {

// One frame of the run: its number and its output file.
struct FrameJob {
    long frame = 0; // the frame number (0 for a single image)
    std::string output;
};

struct PipelineOptions {
    zelk::WriteOptions write;
    bool overwrite = false; // replace existing outputs
};

// The render's side (RenderSession): reading a frame's inputs ahead, called on
// the reading thread; rendering a frame into a buffer, called on the calling thread.
struct FrameSteps {
    std::function<void(long frame)> readAhead;
    std::function<RenderedOutput(long frame, zelk::PixelBuffer& target)> render;
    // Called on the writing thread once a frame's output has its name; may be empty.
    std::function<void(const FrameJob&)> written;
};

// Output buffers: the frame rendering and the frame being written.
constexpr std::size_t kOutputBuffers = 2;

// Renders `jobs` in order. Each output appears whole when its frame is done
// (see OutputFile.h). When a frame fails (an input unreadable, the plug-in
// refusing it, its output unwritable), every frame before it is still written,
// none after it is, and that frame's failure is thrown once the stages have
// stopped: the files left are those a run of one frame after another leaves.
void renderFrames(const std::vector<FrameJob>& jobs, const PipelineOptions& options,
                  const FrameSteps& steps);

} // namespace ofxrender
