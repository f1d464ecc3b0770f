// One ofx-render run against the host library: the loaded effect, one instance
// with the user's parameter values, and the render of one frame.
#pragma once

#include "CommandLine.h"
#include "zelk/ImageFile.h"

#include <ofxhost/Host.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ofxrender {

// A failure while rendering (the plug-in's status, an unwritten output); exit 1.
class RenderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One frame as files hold it (top row first) and where it lies for the host.
struct Frame {
    zelk::PixelView source;
    zelk::PixelView output;      // the same size
    OfxRectI bounds{0, 0, 0, 0}; // in the host's coordinates, y up
    double pixelAspect = 1.0;
};

// The host's bounds of an image: its data window, with y turned up within the display window.
OfxRectI ofxBounds(const zelk::ImageInfo& info);

// Moves an image between the host's memory and where the plug-in renders, and
// fills in the GPU part of the render call. The CPU back-end hands the frame's
// own memory over (bottom row first through a negative row stride).
class RenderBackend {
public:
    virtual ~RenderBackend() = default;
    // Renders the frame's source into its output through `instance` and
    // returns the plug-in's status.
    virtual OfxStatus render(ofxhost::Instance& instance, double time, const Frame& frame) = 0;
};

// Throws RenderError when the mode is not built into this ofx-render or has no device.
std::unique_ptr<RenderBackend> makeBackend(GpuMode mode, int device);

class RenderSession {
public:
    // Loads the bundle and creates the instance in the filter context (or the
    // general one), then sets the parameters. Throws ofxhost::Error when the
    // bundle does not load and UsageError for a bad effect or parameter.
    explicit RenderSession(const Options& options);
    ~RenderSession();

    ofxhost::Effect& effect() { return *m_effect; }
    ofxhost::Instance& instance() { return *m_instance; }

    // The options of the effect's look choice, as it offers them now (after
    // the --set values). Throws RenderError when it has none.
    std::vector<std::string> lookNames();

    void beginSequence(long first, long last);
    void endSequence();

    // Renders one frame into frame.output; false when the effect passes the
    // source through (the output is left alone then). Throws RenderError when
    // the plug-in fails or leaves part of the output unwritten.
    bool renderFrame(const Frame& frame, double time);

private:
    // ": " and what the plug-in said about a failed render (its persistent message, else the
    // last error it sent since the host had `messagesBefore` messages); "" when it said nothing.
    std::string failureMessage(std::size_t messagesBefore) const;

    std::unique_ptr<ofxhost::Host> m_host;
    ofxhost::Effect* m_effect = nullptr;
    std::unique_ptr<ofxhost::Instance> m_instance;
    std::unique_ptr<RenderBackend> m_backend;
    bool m_sequenceOpen = false;
};

// The bundle directory that --bundle names: a path as given, or a bundle name
// looked up in the host's search path; the default is the ZELK-Look-Lib bundle.
std::string resolveBundlePath(const ofxhost::Host& host, const std::string& bundle);

} // namespace ofxrender
