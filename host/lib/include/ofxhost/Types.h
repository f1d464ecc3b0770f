// ofxhost: plain value types shared by the host API.
#pragma once

#include <ofxCore.h>

#include <optional>
#include <string>

namespace ofxhost {

struct HostOptions {
    // false: a host that knows no OpenCL/CUDA/Metal property (the plug-in's writes of them fail
    // with kOfxStatErrUnknown and the host offers no GPU "...Supported" property).
    bool gpuProperties = true;
    // CPU count the multi-thread suite reports; 0 reports the machine's cores.
    unsigned reportedCPUs = 0;
    // Last directory of the bundle search (after OFX_PLUGIN_PATH); tests point it elsewhere.
    std::string defaultPluginDir = "/usr/OFX/Plugins";
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
struct Message {
    std::string type; // "OfxMessageError", "OfxMessageLog", ...
    std::string id;
    std::string text;
    bool persistent = false;
};

// Reply of the is-identity action.
struct IdentityResult {
    OfxStatus status = kOfxStatReplyDefault; // kOfxStatOK = identity, kOfxStatReplyDefault = render
    std::string clip;                        // clip to pass through when identity
    double time = 0.0;
};

} // namespace ofxhost
