#pragma once

// What the OpenCL benchmarks share: our host with the plug-in loaded from a copy
// of the built bundle that holds the looks "bench33" and "bench65", an OpenCL
// renderer and a 3840x2160 frame (the CPU benchmark's inputs).

#include <ofxhost/Host.h>
#include <ofxhost/OpenClRender.h>

#include <memory>
#include <string>
#include <vector>

#include "ZelkVec3.h"

namespace openclbench {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr float kMix = 0.75f;

struct Session {
    std::unique_ptr<ofxhost::Host> host;
    ofxhost::Effect* effect = nullptr;
    std::unique_ptr<ofxhost::OpenClRenderer> renderer;
    std::vector<float> source, output;
    std::string error; // why the benchmarks skip

    static Session& get();
    // An instance with the look "bench<n>" at intensity kMix.
    std::unique_ptr<ofxhost::Instance> instance(int n);
};

// The LUT of the look "bench<n>": makeLook's entries.
std::vector<zelk_vec3<float>> benchLut(int n);

} // namespace openclbench
