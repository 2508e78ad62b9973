#include "engine/crit_sec.h"

#include <chrono>

namespace quillet::engine {

CCritSec g_csConnect;

void CCritSec::Lock() {
    if (!m_mutex.try_lock()) {
        m_contended.fetch_add(1, std::memory_order_relaxed);
        const auto start = std::chrono::steady_clock::now();
        m_mutex.lock();
        if (std::this_thread::get_id() != m_maker) {
            const uint64_t waited =
                static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
            uint64_t longest = m_maxWorkerWaitNs.load(std::memory_order_relaxed);
            while (waited > longest && !m_maxWorkerWaitNs.compare_exchange_weak(
                                           longest, waited, std::memory_order_relaxed)) {
            }
        }
    }
    if (m_depth++ == 0)
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void CCritSec::Unlock() {
    if (--m_depth == 0)
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
    m_mutex.unlock();
}

void CCritSec::ResetWaitStats() {
    m_maxWorkerWaitNs.store(0, std::memory_order_relaxed);
    m_contended.store(0, std::memory_order_relaxed);
}

bool CCritSec::IsLockedByThisThread() const {
    return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

}  // namespace quillet::engine
