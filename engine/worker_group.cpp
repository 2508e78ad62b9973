#include "engine/worker_group.h"

namespace quillet {

WorkerGroup::~WorkerGroup() {
    JoinAll();
}

void WorkerGroup::ReapFinishedLocked() {
    for (auto id : m_finished) {
        for (auto it = m_threads.begin(); it != m_threads.end(); ++it) {
            if (it->get_id() == id) {
                it->join();  // already returned from its body: does not block
                m_threads.erase(it);
                break;
            }
        }
    }
    m_finished.clear();
}

bool WorkerGroup::Spawn(std::function<void()> body, pthread_t* handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed)
        return false;
    ReapFinishedLocked();
    m_threads.emplace_back([this, body = std::move(body)] {
        body();
        std::lock_guard<std::mutex> done(m_mutex);
        m_finished.push_back(std::this_thread::get_id());
    });
    if (handle)
        *handle = m_threads.back().native_handle();
    return true;
}

void WorkerGroup::JoinAll() {
    std::list<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        threads.swap(m_threads);
        m_finished.clear();
    }
    for (auto& t : threads) {
        if (t.joinable())
            t.join();
    }
}

size_t WorkerGroup::LiveCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_threads.size() - m_finished.size();
}

}  // namespace quillet
