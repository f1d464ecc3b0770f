#pragma once

// What the OpenCL tests share: an OpenCL device through our host's renderer,
// device buffers, lopsided LUTs and test images, the CPU references, the
// support library's log read back, and the plug-in loaded with test looks.

#include <ofxhost/Host.h>
#include <ofxhost/OpenClRender.h>

#include <memory>
#include <string>
#include <vector>

#include "OpenClHostApi.h"
#include "OpenClRequired.h"
#include "ZelkVec3.h"

namespace kit {

using Lut = std::vector<zelk_vec3<float>>;
using Pixels = std::vector<float>; // packed RGBA rows, or one plane

// Only red is non-zero and it weighs the inputs differently: an axis mix-up shows.
Lut redOnlyLut(int n);
// Non-monotonic, with entries outside [0, 1].
Lut bizarreLut(int n);

// Every channel ramping from -0.5 to 1.5, with exact lattice points, tied
// fractions, NaN and both infinities interleaved; alpha varies.
Pixels testImage(int width, int height, int lutSize);

// The CPU path's row function, and the device's rule (the same interpolation,
// the source product fused into the blend) computed on the CPU.
Pixels cpuLook(const Lut& lut, int n, float mix, const Pixels& src);
Pixels deviceLook(const Lut& lut, int n, float mix, const Pixels& src);

// "" when equal bit for bit (any NaN matching any NaN), else the first differences.
// Given the source and mix of a look, a colour may also differ by the fused blend:
// one ulp of the blend's largest term (a sum that nearly cancels may move many
// ulps of its small result, no more).
std::string differences(const Pixels& want, const Pixels& got, const Pixels* src = nullptr,
                        float mix = 0.0f);

// The device of our host's OpenCL renderer; null when there is none.
ofxhost::OpenClRenderer* renderer();
std::string noDeviceReason();
cl_command_queue queue();
const OpenCl::HostApi& cl();

// A device buffer released at the end of its scope.
class Buffer {
public:
    explicit Buffer(const Pixels& data, cl_command_queue queue = kit::queue());
    Buffer(size_t floats, float fill) : Buffer(Pixels(floats, fill)) {}
    ~Buffer();
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    cl_mem mem() const { return m_mem; }
    float* handle() const { return reinterpret_cast<float*>(m_mem); } // as the launchers take it
    // Waits for `queue`, then reads the whole buffer.
    Pixels read(cl_command_queue queue = kit::queue()) const;

private:
    cl_mem m_mem = nullptr;
    size_t m_floats = 0;
};

// The support library's log: clearLog() empties and opens it; logLines() reads it.
void clearLog();
std::vector<std::string> logLines();

// The plug-in from a copy of the built bundle whose looks are these (all above
// 17 points, the smallest size the plug-in renders).
struct TestLook {
    const char* name;
    int n;
    Lut (*make)(int n);
};
extern const TestLook kTestLooks[3];
std::unique_ptr<ofxhost::Instance> instance(const TestLook& look, double mix);

} // namespace kit

// Skips the test without a device, or fails it where one is required (OpenClRequired.h).
#define ZELK_REQUIRE_OPENCL()                                                                      \
    do {                                                                                           \
        if (!kit::renderer())                                                                      \
            ZELK_NO_OPENCL_DEVICE(kit::noDeviceReason());                                          \
    } while (0)
