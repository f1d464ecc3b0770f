#include "BufferPool.h"

namespace ofxrender {

BufferLease& BufferLease::operator=(BufferLease&& other) noexcept
{
    if (this != &other) {
        release();
        m_pool = other.m_pool;
        m_buffer = other.m_buffer;
        other.m_pool = nullptr;
        other.m_buffer = nullptr;
    }
    return *this;
}

void BufferLease::release()
{
    if (m_buffer)
        m_pool->giveBack(m_buffer);
    m_pool = nullptr;
    m_buffer = nullptr;
}

BufferPool::BufferPool(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        m_buffers.push_back(std::make_unique<zelk::PixelBuffer>());
        m_free.push_back(m_buffers.back().get());
    }
}

BufferLease BufferPool::acquire()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_returned.wait(lock, [&] { return !m_free.empty() || m_closed; });
    if (m_closed)
        return {};
    zelk::PixelBuffer* buffer = m_free.back();
    m_free.pop_back();
    return BufferLease(this, buffer);
}

void BufferPool::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_returned.notify_all();
}

void BufferPool::giveBack(zelk::PixelBuffer* buffer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_free.push_back(buffer);
    m_returned.notify_one();
}

} // namespace ofxrender
