#pragma once

// What the look launchers of both GPU back-ends are given besides the LUT: where
// the render window lies in the source and destination images, and what they
// say back. Plain types only: CUDA source units include this too.

#include <cstdint>

// Where a render window's pixels lie in one image in device memory, counted in
// RGBA float pixels (16 bytes) from the image's data.
struct GpuImageLayout {
    std::int64_t first = 0; // the window's first pixel, (x1, y1)
    std::int32_t pitch = 0; // from one row to the next; negative where rows go down in memory
};

// A width x height window of the source, written to the same window of the
// destination.
struct GpuLookWindow {
    int width = 0;
    int height = 0;
    GpuImageLayout src;
    GpuImageLayout dst;

    // Whole images, rows packed: what a host hands over for a full frame.
    static GpuLookWindow packed(int width, int height)
    {
        GpuLookWindow w;
        w.width = width;
        w.height = height;
        w.src.pitch = width;
        w.dst.pitch = width;
        return w;
    }
};

// How a launch ended. `failedStep` names what went wrong ("allocating the LUT",
// ...) with the API's error code; null when the kernel was started (OpenCL) or
// ran (CUDA). A launch that had nothing to do (an empty window) succeeds.
struct GpuLaunchResult {
    const char* failedStep = nullptr;
    int error = 0;
    bool ok() const { return failedStep == nullptr; }
};
