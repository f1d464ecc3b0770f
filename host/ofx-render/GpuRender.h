// ofx-render's OpenCL and CUDA modes: the plug-in renders on a device through our host's device
// renderers. They take Source and Output in float RGBA of one size, so only effects that render
// Source into an output of its size, in float RGBA, render this way.
#pragma once

#include "CommandLine.h"
#include "InputClips.h"
#include "RenderError.h"

#include <ofxhost/Instance.h>

#include <memory>

namespace ofxrender {

class GpuRenderer {
public:
    // Throws RenderError when the mode is not built into this ofx-render or has no device.
    GpuRenderer(GpuMode mode, int device);
    ~GpuRenderer();

    // Renders `source` into `output` (its size) at `time`; false when the effect passes Source
    // through (the output is left alone then). Throws RenderError when the effect needs what the
    // device renderers do not give, fails, or leaves part of the output unwritten.
    bool render(ofxhost::Instance& instance, double time, const DecodedFrame& source,
                const zelk::PixelView& output);

    class Device; // CUDA or OpenCL

private:
    std::unique_ptr<Device> m_device;
};

} // namespace ofxrender
