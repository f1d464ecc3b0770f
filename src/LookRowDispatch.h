#pragma once

// How the row function is chosen; separate from LookRow.h so tests can check the
// policy without changing the process's one choice.

#include "LookRow.h"

#include <string>

namespace zelk {

// What this CPU and OS can run: the CPUID feature bits, and the vector register
// state that the OS saves on a context switch (XCR0, read with XGETBV).
struct CpuVectorSupport {
    bool avx2Fma = false;
    bool avx512f = false;
};
CpuVectorSupport detectCpuVectorSupport();

struct LookRowChoice {
    LookRowPath path;
    std::string warning; // empty when the request was honoured or there was none
};

// request: the value of ZELK_CPU_PATH, or null when unset. available[i] tells
// whether LookRowPath(i) can run here; the scalar path always can.
LookRowChoice chooseLookRowPath(const char* request, const bool (&available)[kLookRowPathCount]);

// Runs `fn` and the scalar reference on a probe of special values and lattice
// edges (a row that ends in a partial block) and compares every bit.
bool rowAgreesWithScalar(LookRowFn fn);

} // namespace zelk
