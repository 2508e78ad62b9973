#include "engine/crit_sec.h"

#include <cassert>

CCritSec g_csConnect;

void CCritSec::Lock() {
    m_mutex.lock();
    if (m_depth++ == 0)
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void CCritSec::Unlock() {
    if (--m_depth == 0)
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
    m_mutex.unlock();
}

bool CCritSec::IsLockedByThisThread() const {
    return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

void CCritSec::AssertLocked() const {
    assert(IsLockedByThisThread());
}
