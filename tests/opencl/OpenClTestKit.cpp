#include "OpenClTestKit.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "LookRow.h"
#include "LutMath.h"
#include "ofxsLog.h"

// Leak checking in sanitizer builds: the back-end keeps every kernel it built
// (and its program) for the life of the process, by design, and the OpenCL
// implementation allocates behind them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libpocl\n";
}

// The exit-time leak scan reads every live thread's TLS; the OpenCL
// implementation's worker threads may be half gone by then, which crashes the
// scan itself. Their TLS holds nothing of ours.
extern "C" const char* __lsan_default_options()
{
    return "use_tls=0";
}

namespace kit {

namespace fs = std::filesystem;

namespace {

template <typename Entry> Lut make_lut(int n, Entry entry)
{
    Lut lut;
    const float last = n > 1 ? float(n - 1) : 1.0f;
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b)
                lut.push_back(entry(r / last, g / last, b / last, uint32_t(lut.size())));
    return lut;
}

float hashed(uint32_t x) // [-0.5, 1.5)
{
    x = (x * 1664525u + 1013904223u) ^ (x >> 7);
    x *= 0x45d9f3bu;
    return float((x ^ (x >> 16)) % 20000u) / 10000.0f - 0.5f;
}

// Test files (the log, the test bundle) live in the build tree for one process.
const std::string& scratch_dir()
{
    static const std::string dir =
        std::string(ZELK_TEST_BUILD_DIR) + "/opencl-test-" + std::to_string(::getpid());
    static const int created = (fs::create_directories(dir), std::atexit([] {
                                    OFX::Log::close();
                                    std::error_code ignored;
                                    fs::remove_all(scratch_dir(), ignored);
                                }));
    (void)created;
    return dir;
}

} // namespace

Lut redOnlyLut(int n)
{
    return make_lut(n, [](float r, float g, float b, uint32_t) {
        return zelk_vec3<float>{0.7f * r + 0.2f * g + 0.1f * b * b, 0.0f, 0.0f};
    });
}

Lut bizarreLut(int n)
{
    return make_lut(n, [](float, float, float, uint32_t i) {
        return zelk_vec3<float>{hashed(3 * i), hashed(3 * i + 1), hashed(3 * i + 2)};
    });
}

Pixels testImage(int width, int height, int lutSize)
{
    const float specials[] = {NAN, INFINITY, -INFINITY};
    const size_t count = size_t(width) * size_t(height);
    Pixels px(count * 4);
    for (size_t i = 0; i < count; ++i) {
        float* p = &px[i * 4];
        const float t = float(i) / float(std::max<size_t>(count - 1, 1));
        p[0] = -0.5f + 2.0f * t;
        p[1] = 1.5f - 2.0f * t;
        p[2] = -0.5f + 2.0f * float((i * 37) % 101) / 100.0f;
        p[3] = 1.0f - t;
        if (i % 5 == 0) // exactly on the lattice
            p[0] = float((i / 5) % size_t(lutSize)) / float(lutSize - 1);
        if (i % 7 == 0) // tied fractions
            p[1] = p[2] = p[0];
        if (i % 17 == 0)
            p[(i / 17) % 3] = specials[(i / 51) % 3];
    }
    return px;
}

Pixels cpuLook(const Lut& lut, int n, float mix, const Pixels& src)
{
    Lut padded(lut);
    padded.push_back({0.0f, 0.0f, 0.0f}); // the spare entry vector row functions may read
    const zelk::LookRowParams params{&padded[0].r, n, mix, 1.0f - mix};
    Pixels dst(src.size());
    zelk::lookRowScalar(params, src.data(), dst.data(), int(src.size() / 4));
    return dst;
}

Pixels deviceLook(const Lut& lut, int n, float mix, const Pixels& src)
{
    Pixels dst(src.size());
    for (size_t i = 0; i < src.size(); i += 4) {
        const ZelkRgba d =
            zelk_look_pixel_gpu(&lut[0].r, n, mix, src[i], src[i + 1], src[i + 2], src[i + 3]);
        std::memcpy(&dst[i], &d, sizeof d);
    }
    return dst;
}

std::string differences(const Pixels& want, const Pixels& got, const Pixels* src, float mix)
{
    if (want.size() != got.size())
        return "size " + std::to_string(got.size()) + " instead of " + std::to_string(want.size());
    std::ostringstream out;
    for (size_t i = 0, shown = 0; i < want.size() && shown < 5; ++i) {
        const float w = want[i], g = got[i];
        bool same = std::isnan(w) ? std::isnan(g) : std::memcmp(&w, &g, sizeof w) == 0;
        if (!same && src && i % 4 != 3 && std::isfinite(w) && std::isfinite(g)) {
            const float kept = std::fabs((*src)[i] * (1.0f - mix));
            const float scale = std::max({kept, std::fabs(w - kept), std::fabs(w)});
            same = std::fabs(g - w) <= std::nextafter(scale, INFINITY) - scale;
        }
        if (!same) {
            out << "pixel " << i / 4 << " channel " << i % 4 << ": want " << w << ", got " << g
                << "\n";
            ++shown;
        }
    }
    return out.str();
}

namespace {

std::string g_noDevice; // why there is no renderer

} // namespace

ofxhost::OpenClRenderer* renderer()
{
    static const std::unique_ptr<ofxhost::OpenClRenderer> made =
        ofxhost::openClDeviceAvailable(&g_noDevice) ? std::make_unique<ofxhost::OpenClRenderer>()
                                                    : nullptr;
    return made.get();
}

std::string noDeviceReason()
{
    return renderer() ? "" : g_noDevice;
}
cl_command_queue queue()
{
    return static_cast<cl_command_queue>(renderer()->queue());
}
const OpenCl::HostApi& cl()
{
    return *OpenCl::hostApi();
}

Buffer::Buffer(const Pixels& data, cl_command_queue queue) : m_floats(data.size())
{
    cl_context context = nullptr;
    cl().clGetCommandQueueInfo(queue, CL_QUEUE_CONTEXT, sizeof(context), &context, nullptr);
    cl_int error = CL_SUCCESS;
    m_mem =
        cl().clCreateBuffer(context, CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR,
                            data.size() * sizeof(float), const_cast<float*>(data.data()), &error);
    if (error != CL_SUCCESS)
        throw std::runtime_error("clCreateBuffer: error " + std::to_string(error));
}

Buffer::~Buffer()
{
    cl().clReleaseMemObject(m_mem);
}

Pixels Buffer::read(cl_command_queue queue) const
{
    Pixels data(m_floats);
    cl().clFinish(queue);
    const cl_int error = cl().clEnqueueReadBuffer(
        queue, m_mem, CL_TRUE, 0, data.size() * sizeof(float), data.data(), 0, nullptr, nullptr);
    if (error != CL_SUCCESS)
        throw std::runtime_error("clEnqueueReadBuffer: error " + std::to_string(error));
    return data;
}

static std::string log_path()
{
    static const std::string path = scratch_dir() + "/plugin.log";
    return path;
}

void clearLog()
{
    OFX::Log::close();
    std::remove(log_path().c_str());
    OFX::Log::setFileName(log_path());
    OFX::Log::open();
}

std::vector<std::string> logLines()
{
    std::vector<std::string> lines;
    std::ifstream in(log_path());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

const TestLook kTestLooks[3] = {
    {"bizarre65", 65, bizarreLut},
    {"redonly19", 19, redOnlyLut},
    {"bizarre21", 21, bizarreLut},
};

namespace {

ofxhost::Effect& effect()
{
    static std::unique_ptr<ofxhost::Host> host;
    static ofxhost::Effect* const loaded = [] {
        host = std::make_unique<ofxhost::Host>();
        const fs::path built(ZELK_TEST_BUNDLE);
        const fs::path copy = fs::path(scratch_dir()) / built.filename();
        fs::create_directories(copy / "Contents");
        fs::copy(built / "Contents" / "Linux-x86-64", copy / "Contents" / "Linux-x86-64",
                 fs::copy_options::recursive);
        for (const char* dir : {"looks_bin_tevo", "looks_bin_tevo4"}) {
            fs::create_directories(copy / "Contents" / "Resources" / dir);
            for (const TestLook& look : kTestLooks) {
                const Lut lut = look.make(look.n);
                const uint64_t count = lut.size(); // x86-64 is little-endian, as the file is
                std::ofstream out(copy / "Contents" / "Resources" / dir /
                                      (look.name + std::string(".cube.bin")),
                                  std::ios::binary);
                out.write(reinterpret_cast<const char*>(&count), sizeof count);
                out.write(reinterpret_cast<const char*>(lut.data()),
                          std::streamsize(lut.size() * 12));
            }
        }
        ofxhost::Effect* first = host->loadBundle(copy.string()).effects().at(0);
        // Unloaded at exit before the plug-in's own statics, which came after the host.
        std::atexit([] { host.reset(); });
        return first;
    }();
    return *loaded;
}

} // namespace

std::unique_ptr<ofxhost::Instance> instance(const TestLook& look, double mix)
{
    std::unique_ptr<ofxhost::Instance> made = effect().createInstance();
    made->setChoice("printStock", look.name);
    made->setParam("color", mix);
    return made;
}

} // namespace kit
