#pragma once
// Hands a worker thread's notification to the user-interface thread and waits until it has run
// there, like a synchronous window message (Call), or posts it without waiting, at most one
// pending per key (Post): news that only says "look again" need not hold up its worker, and
// repeated news before the first has run says nothing new. Close() releases every waiting
// worker and makes pending and later calls do nothing: a page closes its notifier before it
// tears down, so that workers blocked on it can be joined.
//
// Threads: Call from worker threads (never while holding g_csConnect); Close and destruction on
// the user-interface thread, after which no worker may call any more (the engine has joined them).
#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <utility>

namespace quillet::pages {

class UiNotifier : public QObject {
    Q_OBJECT
public:
    explicit UiNotifier(QObject* parent = nullptr);

    // Runs `fn` on this object's thread and waits for it. Returns false when closed (then `fn`
    // did not run and will not). Called on the object's own thread, runs `fn` at once.
    bool Call(std::function<void()> fn);
    // Queues `fn` for this object's thread unless a call for the same `key` and `record` is
    // still queued; returns without waiting. `fn` runs after every Call or Post made earlier
    // from the same thread. Both identify the news: a record deleted while its news waits may
    // be followed by a new one under the same key or at the same address.
    void Post(uint64_t key, const void* record, std::function<void()> fn);
    void Close();
    bool IsClosed();

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    uint64_t m_posted = 0;    // guarded by m_mutex
    uint64_t m_finished = 0;  // guarded by m_mutex; calls run in order, so a count suffices
    bool m_closed = false;    // guarded by m_mutex
    std::set<std::pair<uint64_t, const void*>> m_queued;  // posted, not yet run; m_mutex
};

}  // namespace quillet::pages
