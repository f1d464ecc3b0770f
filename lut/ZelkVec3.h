#pragma once

// One LUT entry: output red, green, blue as three packed floats (12 bytes), the
// layout of the look files and of the device LUT buffers.
template <typename T> struct zelk_vec3 {
    T r;
    T g;
    T b;
};

static_assert(sizeof(zelk_vec3<float>) == 12, "LUT entries are three packed floats");
