#pragma once

// Whether a machine without an OpenCL device fails the OpenCL tests instead of
// skipping them. CI installs PoCL, so there a missing device means a broken
// set-up, never a pass: ZELK_REQUIRE_OPENCL=1, or CI set (as CI services set
// it), makes them fail; ZELK_REQUIRE_OPENCL=0 lets them skip even in CI.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace zelktest {

// "" when a missing device may skip, else what requires one.
inline std::string openClRequiredBy()
{
    const char* require = std::getenv("ZELK_REQUIRE_OPENCL");
    if (require && *require)
        return std::strcmp(require, "0") == 0 ? "" : "ZELK_REQUIRE_OPENCL is set";
    const char* ci = std::getenv("CI");
    if (ci && *ci && std::strcmp(ci, "false") != 0 && std::strcmp(ci, "0") != 0)
        return "CI is set";
    return "";
}

} // namespace zelktest

// Ends the test without an OpenCL device: a skip, or a failure where one is required.
#define ZELK_NO_OPENCL_DEVICE(reason)                                                              \
    do {                                                                                           \
        const std::string zelkRequiredBy_ = zelktest::openClRequiredBy();                          \
        if (!zelkRequiredBy_.empty())                                                              \
            FAIL() << (reason) << " (an OpenCL device is required: " << zelkRequiredBy_ << ")";    \
        GTEST_SKIP() << (reason);                                                                  \
    } while (0)
