// How the row function is chosen: the policy for ZELK_CPU_PATH, and that the
// process's one choice follows the environment this test binary runs under
// (CTest runs it once per path).

#include "LookRowDispatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using zelk::LookRowPath;

TEST(LookRowChoice, FollowsRequestWhereAvailableAndWarnsOtherwise)
{
    const bool all[] = {true, true, true};
    const bool noAvx512[] = {true, true, false};
    const bool scalarOnly[] = {true, false, false};

    // Unset or empty: the widest path, silently.
    EXPECT_EQ(zelk::chooseLookRowPath(nullptr, all).path, LookRowPath::Avx512);
    EXPECT_EQ(zelk::chooseLookRowPath("", noAvx512).path, LookRowPath::Avx2);
    EXPECT_EQ(zelk::chooseLookRowPath(nullptr, scalarOnly).path, LookRowPath::Scalar);
    EXPECT_EQ(zelk::chooseLookRowPath(nullptr, all).warning, "");

    // A narrower path on request, silently.
    const zelk::LookRowChoice scalar = zelk::chooseLookRowPath("scalar", all);
    EXPECT_EQ(scalar.path, LookRowPath::Scalar);
    EXPECT_EQ(scalar.warning, "");
    EXPECT_EQ(zelk::chooseLookRowPath("avx2", all).path, LookRowPath::Avx2);

    // A path this machine lacks: the widest there is, with a warning naming both.
    const zelk::LookRowChoice missing = zelk::chooseLookRowPath("avx512", noAvx512);
    EXPECT_EQ(missing.path, LookRowPath::Avx2);
    EXPECT_EQ(missing.warning, "ZELK_CPU_PATH=avx512 is not available on this CPU; using avx2");
    EXPECT_EQ(zelk::chooseLookRowPath("avx2", scalarOnly).path, LookRowPath::Scalar);

    // Unknown or differently spelt values are not guessed at.
    const zelk::LookRowChoice unknown = zelk::chooseLookRowPath("AVX2", noAvx512);
    EXPECT_EQ(unknown.path, LookRowPath::Avx2);
    EXPECT_EQ(unknown.warning, "ZELK_CPU_PATH=AVX2 is not one of scalar, avx2, avx512; using avx2");
    EXPECT_NE(zelk::chooseLookRowPath("sse", scalarOnly).warning, "");
}

// Row functions with one flaw each, to show the load-time check notices.
void lastPixelOneUlpOff(const zelk::LookRowParams& p, const float* src, float* dst, int count)
{
    zelk::lookRowScalar(p, src, dst, count);
    dst[4 * (count - 1)] = std::nextafter(dst[4 * (count - 1)], 10.0f);
}

void nanAlphaCleaned(const zelk::LookRowParams& p, const float* src, float* dst, int count)
{
    zelk::lookRowScalar(p, src, dst, count);
    for (int i = 0; i < count; ++i) {
        dst[4 * i + 3] = std::isnan(src[4 * i + 3]) ? 0.0f : src[4 * i + 3];
    }
}

TEST(LookRowChoice, LoadTimeCheckAcceptsOnlyExactRows)
{
    EXPECT_TRUE(zelk::rowAgreesWithScalar(zelk::lookRowScalar));
    for (int i = 1; i < zelk::kLookRowPathCount; ++i) {
        if (const zelk::LookRowFn fn = zelk::lookRowFunction(LookRowPath(i))) {
            EXPECT_TRUE(zelk::rowAgreesWithScalar(fn)) << zelk::lookRowPathName(LookRowPath(i));
        }
    }
    EXPECT_FALSE(zelk::rowAgreesWithScalar(lastPixelOneUlpOff));
    EXPECT_FALSE(zelk::rowAgreesWithScalar(nanAlphaCleaned));
}

TEST(LookRowChoice, ActivePathFollowsEnvironment)
{
    const char* request = std::getenv("ZELK_CPU_PATH");
    std::printf("[ active   ] %s (ZELK_CPU_PATH=%s)\n", zelk::lookRowName(),
                request != nullptr ? request : "");
    // The requested path where this CPU has it, else the widest it has.
    LookRowPath expected = LookRowPath::Scalar;
    bool requestedFound = false;
    for (int i = 0; i < zelk::kLookRowPathCount && !requestedFound; ++i) {
        if (zelk::lookRowFunction(LookRowPath(i)) != nullptr) {
            expected = LookRowPath(i);
            requestedFound =
                request != nullptr && std::strcmp(request, zelk::lookRowPathName(expected)) == 0;
        }
    }
    EXPECT_EQ(zelk::lookRowPath(), expected);
    EXPECT_EQ(zelk::lookRow(), zelk::lookRowFunction(expected));
    EXPECT_STREQ(zelk::lookRowName(), zelk::lookRowPathName(expected));
}

TEST(LookRowChoice, FeatureDetectionIsConsistent)
{
    const zelk::CpuVectorSupport cpu = zelk::detectCpuVectorSupport();
    EXPECT_TRUE(!cpu.avx512f || cpu.avx2Fma) << "the AVX-512 path also relies on AVX2 and FMA";
    EXPECT_NE(zelk::lookRowFunction(LookRowPath::Scalar), nullptr);
    if (!cpu.avx2Fma) {
        EXPECT_EQ(zelk::lookRowFunction(LookRowPath::Avx2), nullptr);
    }
    if (!cpu.avx512f) {
        EXPECT_EQ(zelk::lookRowFunction(LookRowPath::Avx512), nullptr);
    }
#if defined(__x86_64__)
    // Cross-check against the compiler runtime's own reading of CPUID and XCR0.
    __builtin_cpu_init();
    EXPECT_EQ(cpu.avx2Fma, __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"));
    EXPECT_EQ(cpu.avx512f, cpu.avx2Fma && __builtin_cpu_supports("avx512f"));
#endif
}

} // namespace
