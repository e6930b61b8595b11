#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace varnett::data {

// Items 0 to count - 1 made by `read` on a thread of their own, at most
// `depth` ahead of the caller, and taken in order by next(): reading from
// the server and working on what was read go on at the same time.
//
// `read` runs on the other thread only; whatever it uses (an engine's
// connection above all) must not be used elsewhere until the object is gone.
// What it throws reaches the caller from next(), after the items before it.
// Destroying the object stops the reading and waits for it.
template <class Item>
class ReadAhead {
public:
    ReadAhead(std::size_t count, std::function<Item(std::size_t)> read, std::size_t depth = 32)
        : m_count(count), m_read(std::move(read)), m_depth(depth < 1 ? 1 : depth)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~ReadAhead()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next item; past the last one, or after the error, it throws what
    // `read` threw (std::out_of_range when nothing was thrown).
    Item next()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
        if (m_ready.empty()) {
            if (m_error)
                std::rethrow_exception(m_error);
            throw std::out_of_range("no item is left to read");
        }
        Item item = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return item;
    }

private:
    void run()
    {
        try {
            for (std::size_t i = 0; i < m_count; ++i) {
                {
                    std::unique_lock lock(m_mutex);
                    m_changed.wait(lock, [this] { return m_stop || m_ready.size() < m_depth; });
                    if (m_stop)
                        return;
                }
                Item item = m_read(i);
                {
                    std::lock_guard lock(m_mutex);
                    m_ready.push_back(std::move(item));
                }
                m_changed.notify_all();
            }
        } catch (...) {
            std::lock_guard lock(m_mutex);
            m_error = std::current_exception();
        }
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_changed.notify_all();
    }

    const std::size_t m_count;
    const std::function<Item(std::size_t)> m_read;
    const std::size_t m_depth;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_ready;
    bool m_stop = false;
    bool m_finished = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace varnett::data
