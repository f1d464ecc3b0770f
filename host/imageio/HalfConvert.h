// Floats to halves as Imath's half(float) converts them, several at a time
// where the CPU can.
#pragma once

#include <Imath/half.h>

#include <cstddef>

namespace zelk::detail {

// out[i] = half(in[i]) for i < count, bit for bit: rounded to nearest even,
// overflow to infinity, a NaN keeping the top of its payload.
void floatsToHalves(const float* in, half* out, std::size_t count);

} // namespace zelk::detail
