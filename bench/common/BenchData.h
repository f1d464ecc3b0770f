#pragma once

// The benchmark's inputs: a frame with the colour statistics of a graded image
// and smooth looks, made deterministically so every run measures the same work.

#include <cstddef>
#include <string>
#include <vector>

namespace zelkbench {

// RGBA float pixels: smooth gradients with fine noise, a few percent of values
// below 0 and above 1, alpha varying.
std::vector<float> makeFrame(int width, int height);

// A film-like look of N points per axis (tone curve, crosstalk, a warm shift):
// N*N*N entries of three floats and the one spare float the row functions need.
std::vector<float> makeLook(int n);

// Writes a look file (entry count, then the entries) from makeLook's layout.
// Throws std::runtime_error naming the path on failure.
void writeLookFile(const std::string& path, const std::vector<float>& lut, int n);

} // namespace zelkbench
