#include "ClTestDevice.h"

#include <stdexcept>

namespace {

// First GPU of any platform, else the first device of any type.
cl_device_id pick_device(const OpenCl::Api& cl)
{
    cl_uint platformCount = 0;
    if (cl.clGetPlatformIDs(0, nullptr, &platformCount) != CL_SUCCESS || platformCount == 0)
        return nullptr;
    std::vector<cl_platform_id> platforms(platformCount);
    cl.clGetPlatformIDs(platformCount, platforms.data(), nullptr);
    for (cl_device_type type : {cl_device_type(CL_DEVICE_TYPE_GPU), cl_device_type(CL_DEVICE_TYPE_ALL)})
        for (cl_platform_id platform : platforms) {
            cl_device_id device = nullptr;
            if (cl.clGetDeviceIDs(platform, type, 1, &device, nullptr) == CL_SUCCESS && device)
                return device;
        }
    return nullptr;
}

} // namespace

ClTestDevice& ClTestDevice::get()
{
    static ClTestDevice device;
    return device;
}

ClTestDevice::ClTestDevice()
{
    m_Api = OpenCl::api();
    if (!m_Api) {
        m_Why = OpenCl::apiError();
        return;
    }
    m_Device = pick_device(*m_Api);
    if (!m_Device) {
        m_Why = "no OpenCL platform offers a device";
        return;
    }
    cl_int error = CL_SUCCESS;
    m_Context = m_Api->clCreateContext(nullptr, 1, &m_Device, nullptr, nullptr, &error);
    if (error != CL_SUCCESS) {
        m_Why = "clCreateContext failed: " + std::to_string(error);
        return;
    }
    m_Queue = m_Api->clCreateCommandQueue(m_Context, m_Device, 0, &error);
    if (error != CL_SUCCESS) {
        m_Queue = nullptr;
        m_Why = "clCreateCommandQueue failed: " + std::to_string(error);
    }
}

cl_command_queue ClTestDevice::newQueue()
{
    cl_int error = CL_SUCCESS;
    cl_command_queue queue = m_Api->clCreateCommandQueue(m_Context, m_Device, 0, &error);
    if (error != CL_SUCCESS)
        throw std::runtime_error("clCreateCommandQueue failed: " + std::to_string(error));
    // Kept until exit: the back-end's kernel cache holds its handle as a key.
    m_ExtraQueues.push_back(queue);
    return queue;
}

cl_mem ClTestDevice::upload(const std::vector<float>& data)
{
    cl_int error = CL_SUCCESS;
    cl_mem buffer = m_Api->clCreateBuffer(m_Context, CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR,
                                          data.size() * sizeof(float),
                                          const_cast<float*>(data.data()), &error);
    if (error != CL_SUCCESS)
        throw std::runtime_error("clCreateBuffer failed: " + std::to_string(error));
    return buffer;
}

cl_mem ClTestDevice::filled(size_t floats, float value)
{
    return upload(std::vector<float>(floats, value));
}

std::vector<float> ClTestDevice::download(cl_mem buffer, size_t floats, cl_command_queue queue)
{
    if (!queue)
        queue = m_Queue;
    m_Api->clFinish(queue);
    std::vector<float> data(floats);
    const cl_int error = m_Api->clEnqueueReadBuffer(queue, buffer, CL_TRUE, 0,
                                                    floats * sizeof(float), data.data(), 0,
                                                    nullptr, nullptr);
    if (error != CL_SUCCESS)
        throw std::runtime_error("clEnqueueReadBuffer failed: " + std::to_string(error));
    return data;
}

void ClTestDevice::release(cl_mem buffer)
{
    if (buffer)
        m_Api->clReleaseMemObject(buffer);
}
