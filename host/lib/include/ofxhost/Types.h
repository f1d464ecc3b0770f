// ofxhost: plain value types shared by the host API.
#pragma once

#include <ofxCore.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ofxhost {

// A message posted by a plug-in through the message suite, or by the host itself.
struct Message {
    std::string type; // "OfxMessageError", "OfxMessageLog", ...
    std::string id;
    std::string text;
    bool persistent = false;
};

struct HostOptions {
    // false: a host that knows no OpenCL/CUDA/Metal property (the plug-in's writes of them fail
    // with kOfxStatErrUnknown and the host offers no GPU "...Supported" property).
    bool gpuProperties = true;
    // CPU count the multi-thread suite reports; 0 reports the machine's cores.
    unsigned reportedCPUs = 0;
    // Last directory of the bundle search (after OFX_PLUGIN_PATH); tests point it elsewhere.
    std::string defaultPluginDir = "/usr/OFX/Plugins";
    // How messages name this host ("... which ofx-render does not provide").
    std::string displayName = "ofxhost";
    // Called with each message (the plug-ins' and the host's own) as it comes, on the thread that
    // posted it; when empty, every message is printed on stderr. Host::messages() keeps them all
    // either way.
    std::function<void(const Message&)> onMessage;
};

// The project an instance lives in, in canonical coordinates: `extent` is the frame the output
// fills (from 0, 0), `size` and `offset` the part of it imagery uses. Normalised defaults of
// spatial parameters scale by `size` and move by `offset`.
struct ProjectSettings {
    OfxPointD size{1920.0, 1080.0};
    OfxPointD offset{0.0, 0.0};
    OfxPointD extent{1920.0, 1080.0};
    double pixelAspectRatio = 1.0;
    double frameRate = 24.0;
    OfxRangeD frames{0.0, 0.0}; // the output's first and last frame

    // The project of a picture whose display window is `window` (pixel coordinates).
    static ProjectSettings forWindow(const OfxRectI& window, double pixelAspectRatio = 1.0);
};

// An image attached to a clip. The host never copies or owns pixels: data is handed to the
// plug-in as OfxImagePropData unchanged (host memory, a cl_mem or a CUDA device pointer).
struct ImageDesc {
    void* data = nullptr;
    int rowBytes = 0;                            // may be negative (bottom-up rows in host memory)
    OfxRectI bounds{0, 0, 0, 0};                 // pixel bounds of data, x2/y2 exclusive
    std::string pixelDepth = "OfxBitDepthFloat"; // an OfxBitDepth... string
    std::string components = "OfxImageComponentRGBA";
    std::string preMultiplication = "OfxImageAlphaPremultiplied";
    double pixelAspectRatio = 1.0;
    std::optional<OfxRectI> regionOfDefinition; // default: bounds
};

// One frame of an input clip. `owner` keeps the pixels alive while the effect holds the image
// (null when the caller keeps them alive itself).
struct ClipFrame {
    ImageDesc image;
    std::shared_ptr<const void> owner;
};

// An input clip connected as a host connects one: frames are fetched when the effect asks for
// them, at any time, and converted to the depth and components the effect prefers.
struct ClipInput {
    // The frame at `time`, or nullopt where the clip has none (the effect then gets no image).
    // Called on the effect's threads, one call at a time per clip.
    std::function<std::optional<ClipFrame>(double time)> frameAt;
    OfxRangeD frameRange{0.0, 0.0};
    double frameRate = 24.0;
    // What the frames hold (the clip's unmapped depth and components).
    std::string pixelDepth = "OfxBitDepthFloat";
    std::string components = "OfxImageComponentRGBA";
    std::string preMultiplication = "OfxImageAlphaPremultiplied";
    double pixelAspectRatio = 1.0;
};

// The GPU selection of one render (or sequence render) call.
struct GpuRenderArgs {
    bool openCL = false;
    void* clQueue = nullptr; // cl_command_queue
    bool cuda = false;
    void* cudaStream = nullptr; // cudaStream_t; nullptr = no stream
    bool metal = false;
    void* metalQueue = nullptr;
};

// One message from the message suite (recorded and also printed to stderr).

// Reply of the is-identity action.
struct IdentityResult {
    OfxStatus status = kOfxStatReplyDefault; // kOfxStatOK = identity, kOfxStatReplyDefault = render
    std::string clip;                        // clip to pass through when identity
    double time = 0.0;
};

} // namespace ofxhost
