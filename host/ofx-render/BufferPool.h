// The pixel buffers of the frames in flight: a fixed number, lent out and
// given back, so a run holds at most that many frames' pixels however long the
// sequence, and a buffer's memory is taken once and reused frame after frame.
#pragma once

#include "zelk/ImageFile.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace ofxrender {

class BufferPool;

// A buffer on loan; given back to the pool when the lease ends.
class BufferLease {
public:
    BufferLease() = default;
    BufferLease(BufferPool* pool, zelk::PixelBuffer* buffer) : m_pool(pool), m_buffer(buffer) {}
    BufferLease(BufferLease&& other) noexcept { *this = std::move(other); }
    BufferLease& operator=(BufferLease&& other) noexcept;
    ~BufferLease() { release(); }

    explicit operator bool() const { return m_buffer != nullptr; }
    zelk::PixelBuffer& operator*() const { return *m_buffer; }
    zelk::PixelBuffer* operator->() const { return m_buffer; }
    void release();

private:
    BufferPool* m_pool = nullptr;
    zelk::PixelBuffer* m_buffer = nullptr;
};

class BufferPool {
public:
    explicit BufferPool(std::size_t count);

    // Waits for a free buffer; an empty lease once the pool is closed.
    BufferLease acquire();
    // Wakes every waiting acquire() and makes each later one return empty.
    void close();

private:
    friend class BufferLease;
    void giveBack(zelk::PixelBuffer* buffer);

    std::vector<std::unique_ptr<zelk::PixelBuffer>> m_buffers;
    std::vector<zelk::PixelBuffer*> m_free;
    std::mutex m_mutex;
    std::condition_variable m_returned;
    bool m_closed = false;
};

} // namespace ofxrender
