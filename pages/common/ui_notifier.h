#pragma once
// Hands a worker thread's news to the user-interface thread without making the worker wait: at
// most one pending per key (Post), since news that only says "look again" need not hold up its
// worker, and repeated news before the first has run says nothing new. News runs in the order
// it was posted, in slices of a few milliseconds per turn of the event loop, so that thousands
// of peers arriving or leaving at once never keep the window from its input and painting.
// Close() makes pending and later news do nothing: a page closes its notifier before it tears
// down.
//
// Threads: Post from any thread (never while holding g_csConnect); Close and destruction on the
// user-interface thread, after which no worker may post any more (the engine has joined them).
// m_mutex guards m_pending, m_queued, m_drainPosted and m_closed.
#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <utility>

namespace quillet::pages {

class UiNotifier : public QObject {
    Q_OBJECT
public:
    explicit UiNotifier(QObject* parent = nullptr);

    // Queues `fn` for this object's thread unless news for the same `key` and `record` is still
    // queued; returns without waiting. `fn` runs after every news posted before it. Both
    // identify the news: a record deleted while its news waits may be followed by a new one
    // under the same key or at the same address.
    void Post(uint64_t key, const void* record, std::function<void()> fn);
    void Close();
    bool IsClosed();

private:
    using Id = std::pair<uint64_t, const void*>;
    struct News {
        Id id;
        std::function<void()> fn;
    };

    // Runs queued news for one slice of time, then leaves the rest for the next turn.
    void Drain();
    void PostDrain();

    std::mutex m_mutex;
    std::deque<News> m_pending;
    std::set<Id> m_queued;  // ids in m_pending
    bool m_drainPosted = false;
    bool m_closed = false;
};

}  // namespace quillet::pages
