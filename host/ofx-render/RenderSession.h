// One ofx-render run against the host library: the loaded effect, one instance with its inputs
// connected and the user's parameter values, and the render of each frame.
#pragma once

#include "CommandLine.h"
#include "GpuRender.h"
#include "InputClips.h"
#include "PluginMessages.h"
#include "zelk/ImageFile.h"

#include <ofxhost/Host.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ofxrender {

// The host's bounds of an image: its data window, with y turned up within the display window.
OfxRectI ofxBounds(const zelk::ImageInfo& info);

// One rendered frame, ready to write: the pixels and the file's description of them (the first
// input's, with the effect's size), and the rest of that input's file where it still fits. It
// keeps what it points into: the input frame, and the host's pixels where the effect's output
// did not fit the target.
struct RenderedOutput {
    zelk::ImageInfo info;
    zelk::PixelView pixels; // top row first
    const zelk::Passthrough* rest = nullptr;
    bool resized = false; // the effect changed the data window: EXR keeps only what it graded
    std::shared_ptr<const DecodedFrame> source;
    std::vector<float> hostPixels;
};

class RenderSession {
public:
    // Loads the bundle, picks the effect and its context, creates the instance in the project of
    // the first input's frame `firstFrame` (rendering up to `lastFrame`), connects the inputs and
    // sets the parameters.
    // Throws ofxhost::Error when the bundle does not load, UsageError for a bad effect, context,
    // clip or parameter, RenderError when the effect cannot be used.
    RenderSession(const Options& options, long firstFrame, long lastFrame);
    ~RenderSession();

    ofxhost::Effect& effect() { return *m_effect; }
    ofxhost::Instance& instance() { return *m_instance; }

    // The options of the effect's look choice, as it offers them now (after
    // the --set values). Throws RenderError when it has none.
    std::vector<std::string> lookNames();

    void beginSequence(long first, long last);
    void endSequence();

    // Renders frame `frame` (0 for single images) at that time, into `target` where the output
    // has the first input's size. Throws RenderError when the plug-in fails, leaves part of the
    // output unwritten or an input cannot be read. What it returns points into `target`, or
    // into what it keeps itself.
    RenderedOutput renderFrame(long frame, zelk::PixelBuffer& target);
    // Reads the inputs' frame `frame` while another renders (from another thread).
    void readAhead(long frame);
    // Prints the errors the plug-in sent that no failure has reported.
    void flushMessages() { m_messages.flush(); }

private:
    // ": " and what the plug-in said about a failed render (its persistent message, else the
    // last error it sent); "" when it said nothing. The errors held so far count as reported.
    std::string failureMessage();
    // The error for `e`, thrown by the host while rendering: a render the plug-in failed says
    // so with what it said about it; an input file that could not be read is named first.
    RenderError renderFailure(const ofxhost::Error& e);
    // Sets the transition parameter for frame `frame`.
    void advanceTransition(long frame);

    PluginMessages m_messages; // before the host: it outlives the host's last message
    std::unique_ptr<ofxhost::Host> m_host;
    ofxhost::Effect* m_effect = nullptr;
    std::unique_ptr<ofxhost::Instance> m_instance;
    std::vector<std::unique_ptr<InputFrames>> m_inputs; // the first: the output's picture
    std::unique_ptr<GpuRenderer> m_gpu;                 // null: the CPU renders
    bool m_sequence = false;
    bool m_sequenceOpen = false;
    // The first and last frame of a transition the host drives (the effect's "Transition"
    // parameter, from 0 to 1); none where the user set it or nothing runs over frames.
    std::optional<std::pair<long, long>> m_transitionFrames;
    // The picture of an effect without inputs (--size), as its output file will hold it.
    std::optional<zelk::ImageInfo> m_generated;
};

// The bundle directory that --bundle names: a path as given, or a bundle name
// looked up in the host's search path; the default is the ZELK-Look-Lib bundle.
std::string resolveBundlePath(const ofxhost::Host& host, const std::string& bundle);

} // namespace ofxrender
