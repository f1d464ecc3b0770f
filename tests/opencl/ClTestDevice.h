#pragma once

#include <string>
#include <vector>

#include "OpenClApi.h"

// One OpenCL context for a test binary (the first GPU, else the first device:
// PoCL on the CPU here) with helpers to move float buffers in and out.
class ClTestDevice {
public:
    // The process-wide device; unavailable() says why when there is none.
    static ClTestDevice& get();

    bool available() const { return m_Queue != nullptr; }
    const std::string& unavailable() const { return m_Why; }
    const OpenCl::Api& cl() const { return *m_Api; }
    cl_command_queue queue() const { return m_Queue; }

    // A further in-order queue in the same context, released with the device.
    cl_command_queue newQueue();

    cl_mem upload(const std::vector<float>& data);
    cl_mem filled(size_t floats, float value);
    // Waits for `queue`, then reads `floats` values back.
    std::vector<float> download(cl_mem buffer, size_t floats, cl_command_queue queue = nullptr);
    void release(cl_mem buffer);

private:
    ClTestDevice();

    const OpenCl::Api* m_Api = nullptr;
    cl_device_id m_Device = nullptr;
    cl_context m_Context = nullptr;
    cl_command_queue m_Queue = nullptr;
    std::vector<cl_command_queue> m_ExtraQueues;
    std::string m_Why;
};

// Buffer released at the end of a test.
class ClBuffer {
public:
    explicit ClBuffer(cl_mem buffer) : m_Buffer(buffer) {}
    ~ClBuffer() { ClTestDevice::get().release(m_Buffer); }
    ClBuffer(const ClBuffer&) = delete;
    ClBuffer& operator=(const ClBuffer&) = delete;

    cl_mem get() const { return m_Buffer; }
    float* asFloats() const { return reinterpret_cast<float*>(m_Buffer); }

private:
    cl_mem m_Buffer;
};

#define ZELK_REQUIRE_OPENCL()                                                                   \
    do {                                                                                        \
        if (!ClTestDevice::get().available())                                                   \
            GTEST_SKIP() << "No OpenCL device: " << ClTestDevice::get().unavailable();          \
    } while (0)
