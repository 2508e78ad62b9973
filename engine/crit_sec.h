#pragma once
// The one process-wide lock and its scoped guard.
//
// g_csConnect guards every page's connection map and the fields of listed records that worker
// threads write (strRecv, nRecvBytes, nRecvBytesAll, bUnread, sock, sendQueue).
// It is recursive: the thread that holds it may take it again.
// Rule: nobody waits for another thread while holding it (workers release it before they
// notify a page; the user-interface thread releases it before it joins workers).
#include <atomic>
#include <mutex>
#include <thread>

class CCritSec {
public:
    CCritSec() = default;
    virtual ~CCritSec() = default;
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock();
    void Unlock();
    // True when the calling thread holds the lock (for assertions).
    bool IsLockedByThisThread() const;
    void AssertLocked() const;

private:
    std::recursive_mutex m_mutex;
    std::atomic<std::thread::id> m_owner{};
    int m_depth = 0;  // guarded by m_mutex
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
