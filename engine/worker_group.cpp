#include "engine/worker_group.h"

#include <atomic>
#include <system_error>

namespace quillet {
namespace {

std::atomic<int> g_failSpawns{0};

bool TakeInjectedFailure() {
    int left = g_failSpawns.load();
    while (left > 0 && !g_failSpawns.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

}  // namespace

void WorkerGroup::FailNextSpawnsForTest(int count) {
    g_failSpawns = count;
}

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
    try {
        if (TakeInjectedFailure())
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        m_threads.emplace_back([this, body = std::move(body)] {
            body();
            std::lock_guard<std::mutex> done(m_mutex);
            m_finished.push_back(std::this_thread::get_id());
        });
    } catch (const std::system_error&) {
        return false;  // nothing was added: the caller cleans up and reports
    }
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
