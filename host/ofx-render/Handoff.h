// The place where one stage of the frame pipeline hands a frame to the next:
// room for one frame, so a stage runs at most one frame ahead of the next.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace ofxrender {

template <typename T> class Handoff {
public:
    // Waits for the place to be free. False (and `item` is dropped) once the
    // taker has given up: the producer should stop.
    bool put(T item)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_item || m_abandoned; });
        if (m_abandoned)
            return false;
        m_item = std::move(item);
        m_changed.notify_all();
        return true;
    }

    // Waits for an item; nothing once the producer has finished and the
    // place is empty, or once the taker has given up.
    std::optional<T> take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_item || m_finished || m_abandoned; });
        if (m_abandoned)
            return std::nullopt;
        std::optional<T> item = std::move(m_item);
        m_item.reset();
        m_changed.notify_all();
        return item;
    }

    // The producer has no more items; the taker still gets the one waiting.
    void finish()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }

    // The taker stops: put() returns false from now on and the waiting item is dropped.
    void abandon()
    {
        std::optional<T> dropped;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_abandoned = true;
            dropped = std::move(m_item);
            m_item.reset();
            m_changed.notify_all();
        }
        // `dropped` is destroyed outside the lock: it may give buffers back.
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<T> m_item;
    bool m_finished = false;
    bool m_abandoned = false;
};

} // namespace ofxrender
