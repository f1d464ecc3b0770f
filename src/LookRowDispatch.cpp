#include "LookRowDispatch.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace zelk {

namespace {

const char* const kPathNames[kLookRowPathCount] = {"scalar", "avx2", "avx512"};

#if defined(__x86_64__) || defined(__i386__)
// XGETBV without -mxsave: this file is built for every CPU.
std::uint64_t read_xcr0()
{
    std::uint32_t eax = 0, edx = 0;
    __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
    return (std::uint64_t(edx) << 32) | eax;
}
#endif

LookRowFn built_function(LookRowPath path)
{
    switch (path) {
    case LookRowPath::Scalar:
        return &lookRowScalar;
    case LookRowPath::Avx2:
#if defined(ZELK_LOOKROW_AVX2)
        return &lookRowAvx2;
#else
        return nullptr;
#endif
    case LookRowPath::Avx512:
#if defined(ZELK_LOOKROW_AVX512)
        return &lookRowAvx512;
#else
        return nullptr;
#endif
    }
    return nullptr;
}

bool cpu_runs(LookRowPath path)
{
    static const CpuVectorSupport s_support = detectCpuVectorSupport();
    switch (path) {
    case LookRowPath::Scalar:
        return true;
    case LookRowPath::Avx2:
        return s_support.avx2Fma;
    case LookRowPath::Avx512:
        return s_support.avx512f;
    }
    return false;
}

struct ActiveRow {
    LookRowPath path;
    LookRowFn fn;
};

ActiveRow choose_at_load()
{
    bool available[kLookRowPathCount];
    for (int i = 0; i < kLookRowPathCount; ++i) {
        available[i] = lookRowFunction(LookRowPath(i)) != nullptr;
    }
    const LookRowChoice choice = chooseLookRowPath(std::getenv("ZELK_CPU_PATH"), available);
    if (!choice.warning.empty()) {
        std::fprintf(stderr, "%s\n", choice.warning.c_str());
    }
    // A vector path that does not reproduce the scalar rule here is passed over
    // for the next narrower one.
    int path = int(choice.path);
    while (path > 0 &&
           !(available[path] && rowAgreesWithScalar(lookRowFunction(LookRowPath(path))))) {
        if (available[path]) {
            std::fprintf(stderr,
                         "ZELK CPU path %s differs from the scalar rule on this machine; "
                         "not using it\n",
                         kPathNames[path]);
        }
        --path;
    }
    std::fflush(stderr);
    return ActiveRow{LookRowPath(path), lookRowFunction(LookRowPath(path))};
}

const ActiveRow& active_row()
{
    static const ActiveRow s_active = choose_at_load();
    return s_active;
}

// Choose when the library is loaded, so that the warning (if any) comes once and
// early, and no render pays for the first call.
const bool s_chosenAtLoad = (active_row(), true);

} // namespace

CpuVectorSupport detectCpuVectorSupport()
{
    CpuVectorSupport support;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        return support;
    }
    const bool osxsave = (ecx & (1u << 27)) != 0;
    const bool avx = (ecx & (1u << 28)) != 0;
    const bool fma = (ecx & (1u << 12)) != 0;
    if (!osxsave || !avx) {
        return support; // XGETBV itself is only there with OSXSAVE
    }
    const std::uint64_t xcr0 = read_xcr0();
    const bool ymmSaved = (xcr0 & 0x6) == 0x6;   // SSE and AVX state
    const bool zmmSaved = (xcr0 & 0xe6) == 0xe6; // plus opmask, ZMM0-15 upper, ZMM16-31
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        return support;
    }
    const bool avx2 = (ebx & (1u << 5)) != 0;
    const bool avx512f = (ebx & (1u << 16)) != 0;
    support.avx2Fma = ymmSaved && avx2 && fma;
    support.avx512f = support.avx2Fma && zmmSaved && avx512f;
#endif
    return support;
}

LookRowChoice chooseLookRowPath(const char* request, const bool (&available)[kLookRowPathCount])
{
    LookRowPath best = LookRowPath::Scalar;
    for (int i = 0; i < kLookRowPathCount; ++i) {
        if (available[i]) {
            best = LookRowPath(i);
        }
    }
    if (request == nullptr || request[0] == '\0') {
        return LookRowChoice{best, std::string()};
    }
    for (int i = 0; i < kLookRowPathCount; ++i) {
        if (std::strcmp(request, kPathNames[i]) == 0) {
            if (available[i]) {
                return LookRowChoice{LookRowPath(i), std::string()};
            }
            return LookRowChoice{best, std::string("ZELK_CPU_PATH=") + request +
                                           " is not available on this CPU; using " +
                                           kPathNames[int(best)]};
        }
    }
    return LookRowChoice{best, std::string("ZELK_CPU_PATH=") + request +
                                   " is not one of scalar, avx2, avx512; using " +
                                   kPathNames[int(best)]};
}

const char* lookRowPathName(LookRowPath path)
{
    const int i = int(path);
    return i >= 0 && i < kLookRowPathCount ? kPathNames[i] : "unknown";
}

LookRowFn lookRowFunction(LookRowPath path)
{
    return cpu_runs(path) ? built_function(path) : nullptr;
}

LookRowFn lookRow()
{
    return active_row().fn;
}

LookRowPath lookRowPath()
{
    return active_row().path;
}

const char* lookRowName()
{
    return lookRowPathName(active_row().path);
}

} // namespace zelk
