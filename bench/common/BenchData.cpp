#include "BenchData.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>
#include <stdexcept>

namespace zelkbench {

std::vector<float> makeFrame(int width, int height)
{
    std::vector<float> px(4 * std::size_t(width) * height);
    std::mt19937 rng(2160);
    std::uniform_real_distribution<float> noise(-0.02f, 0.02f);
    for (int y = 0; y < height; ++y) {
        const float v = float(y) / float(height);
        for (int x = 0; x < width; ++x) {
            const float u = float(x) / float(width);
            float* p = &px[4 * (std::size_t(y) * width + x)];
            p[0] = -0.05f + 1.1f * u + noise(rng);
            p[1] = 0.5f + 0.55f * std::sin(6.0f * u + 3.0f * v) + noise(rng);
            p[2] = 1.05f * v * v + noise(rng);
            p[3] = 0.5f + 0.5f * v;
        }
    }
    return px;
}

std::vector<float> makeLook(int n)
{
    std::vector<float> lut(3 * std::size_t(n) * n * n + 1, 0.0f);
    const float scale = float(n - 1);
    auto tone = [](float x) { return x * x * (3.0f - 2.0f * x) * 0.9f + 0.05f; };
    std::size_t i = 0;
    for (int r = 0; r < n; ++r) {
        for (int g = 0; g < n; ++g) {
            for (int b = 0; b < n; ++b) {
                const float fr = float(r) / scale, fg = float(g) / scale, fb = float(b) / scale;
                lut[i++] = tone(0.85f * fr + 0.1f * fg + 0.05f * fb) + 0.02f;
                lut[i++] = tone(0.08f * fr + 0.84f * fg + 0.08f * fb);
                lut[i++] = tone(0.05f * fr + 0.15f * fg + 0.8f * fb) - 0.02f;
            }
        }
    }
    return lut;
}

void writeLookFile(const std::string& path, const std::vector<float>& lut, int n)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::uint64_t count = std::uint64_t(n) * n * n;
    out.write(reinterpret_cast<const char*>(&count), sizeof count);
    out.write(reinterpret_cast<const char*>(lut.data()), std::streamsize(12 * count));
    if (!out) {
        throw std::runtime_error("cannot write look file " + path);
    }
}

} // namespace zelkbench
