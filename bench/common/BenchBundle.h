#pragma once

// A copy of the built bundle for whole renders through our host.

#include <string>

namespace zelkbench {

// Copies the bundle's binaries into `dir` with a look directory pair that holds
// the benchmark looks "bench33" and "bench65" (makeLook's). Returns the new
// bundle's path; throws std::exception with a message on failure.
std::string makeBenchBundle(const std::string& bundlePath, const std::string& dir);

} // namespace zelkbench
