#pragma once

// Whole renders through the real bundle and our host's multi-thread suite.

#include <string>

namespace zelkbench {

struct HostRenderJob {
    std::string bundlePath; // a bundle whose look directories hold `look`
    std::string look;       // option text of the look choice
    int lutSize = 33;       // N of that look, to check the output against
    unsigned threads = 1;   // CPUs the host reports
    int runs = 5;
    int width = 3840;
    int height = 2160;
    float mix = 0.75f;
};

struct HostRenderResult {
    double medianSeconds = 0.0;
    long long mismatches = 0; // output floats that differ from the scalar row function
};

// Loads the bundle, renders once to warm up, then `runs` timed renders of the
// benchmark frame. Throws std::exception with a message on any failure.
HostRenderResult renderThroughHost(const HostRenderJob& job);

} // namespace zelkbench
