#pragma once
// The one process-wide lock and its scoped guard.
//
// g_csConnect guards every page's connection map and the fields of listed records that worker
// threads write (strRecv, nRecvBytes, nRecvBytesAll, bUnread, sock, sendQueue).
// It is recursive: the thread that holds it may take it again.
// Rule: nobody waits for another thread while holding it (workers release it before they
// notify a page; the user-interface thread releases it before it joins workers).
//
// Waits: a Lock that finds the lock taken is timed; the longest wait of any thread other than
// the one that made the lock (the program's main thread, which runs the window) is kept for
// benchmarks. An untaken lock costs no clock read.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace quillet::engine {

class CCritSec {
public:
    CCritSec() = default;
    virtual ~CCritSec() = default;
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock();
    void Unlock();
    // True when the calling thread holds the lock (thread_check.h asserts it).
    bool IsLockedByThisThread() const;
    // True on the thread that made the lock: the program's main thread.
    bool OnMakerThread() const { return std::this_thread::get_id() == m_maker; }

    // The longest wait of a worker (any thread but the one that made the lock) to take it, in
    // nanoseconds, and how many Locks found it taken, since the last reset. Any thread.
    uint64_t MaxWorkerWaitNs() const { return m_maxWorkerWaitNs.load(std::memory_order_relaxed); }
    uint64_t ContendedLocks() const { return m_contended.load(std::memory_order_relaxed); }
    void ResetWaitStats();

private:
    std::recursive_mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
    int m_depth = 0;  // guarded by m_mutex
    const std::thread::id m_maker = std::this_thread::get_id();
    std::atomic<uint64_t> m_maxWorkerWaitNs{0};
    std::atomic<uint64_t> m_contended{0};
};

class CCritSecLock {
public:
    explicit CCritSecLock(CCritSec& cs) : m_pcs(&cs) { m_pcs->Lock(); }
    ~CCritSecLock() { m_pcs->Unlock(); }
    CCritSecLock(const CCritSecLock&) = delete;
    CCritSecLock& operator=(const CCritSecLock&) = delete;

private:
    CCritSec* m_pcs;
};

extern CCritSec g_csConnect;

}  // namespace quillet::engine
