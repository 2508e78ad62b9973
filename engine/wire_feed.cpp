#include "engine/wire_feed.h"

#include <algorithm>

namespace quillet::engine {

WireFeed::WireFeed(size_t expected) {
    // Reserved, so that appending never moves megabytes while a writer waits for the mutex.
    m_bytes.reserve(expected);
}

void WireFeed::Append(std::string_view piece) {
    {
        std::lock_guard lock(m_mutex);
        m_bytes.append(piece);
        m_size = m_bytes.size();
    }
    m_changed.notify_all();
}

void WireFeed::Finish() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

size_t WireFeed::Size() const {
    std::lock_guard lock(m_mutex);
    return m_size;
}

bool WireFeed::Finished() const {
    std::lock_guard lock(m_mutex);
    return m_finished;
}

bool WireFeed::CopyFrom(size_t from, size_t most, std::string& out) const {
    std::lock_guard lock(m_mutex);
    out.clear();
    if (from < m_bytes.size())
        out.assign(m_bytes, from, std::min(most, m_bytes.size() - from));
    return !out.empty() || m_finished;
}

void WireFeed::WaitBeyond(size_t size) const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_finished || m_size > size; });
}

std::string WireFeed::TakeAll() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_finished; });
    return std::move(m_bytes);
}

}  // namespace quillet::engine
