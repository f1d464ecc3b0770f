#include "CudaTestSupport.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <cuda_runtime_api.h>

namespace zelk_cuda_test {

bool deviceAvailable(std::string* why)
{
    int count = 0;
    const cudaError_t err = cudaGetDeviceCount(&count);
    if (err != cudaSuccess || count == 0) {
        *why = "No CUDA device: " +
               std::string(err != cudaSuccess ? cudaGetErrorString(err) : "none found");
        (void)cudaGetLastError();
        return false;
    }
    return true;
}

std::vector<float> testFrame(int width, int height)
{
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity()};
    std::vector<float> px(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            const float t = -1.0f + 3.0f * float(x) / float(width > 1 ? width - 1 : 1);
            const float u = float(y) / float(height > 1 ? height - 1 : 1);
            float* p = &px[4 * i];
            p[0] = t;
            p[1] = 1.0f - t * u;
            p[2] = 0.5f * t + u;
            p[3] = float(i % 17) / 16.0f;
            if (i % 97 == 13)
                p[i % 3] = specials[(i / 97) % 3];
        }
    return px;
}

std::vector<float> testLut(int n)
{
    std::vector<float> lut(size_t(3) * n * n * n + 1, 0.0f);
    const float s = 1.0f / float(n - 1);
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b) {
                float* e = &lut[3 * (size_t(r * n + g) * n + b)];
                e[0] = (g * s) * (g * s) - 0.125f;
                e[1] = 1.0f - b * s + 0.25f * r * s;
                e[2] = 0.5f * r * s + 0.25f * std::sin(7.0f * g * s);
            }
    return lut;
}

FrameDiff compareFrames(const std::vector<float>& expected, const std::vector<float>& actual,
                        int ulps)
{
    FrameDiff d;
    for (size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
        const float e = expected[i], a = actual[i];
        bool same;
        if (std::isnan(e) || std::isnan(a)) {
            same = std::isnan(e) && std::isnan(a) && !isUnwritten(a);
        } else if (std::isinf(e) || std::isinf(a)) {
            same = e == a;
        } else {
            float bound = std::fabs(e);
            for (int k = 0; k < ulps; ++k)
                bound = std::nextafter(bound, std::numeric_limits<float>::infinity());
            same = std::fabs(a - e) <= bound - std::fabs(e);
        }
        if (!same && d.mismatches++ == 0) {
            d.firstIndex = long(i);
            d.expected = e;
            d.actual = a;
        }
    }
    if (expected.size() != actual.size())
        d.mismatches += 1;
    return d;
}

} // namespace zelk_cuda_test
