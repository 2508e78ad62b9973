#pragma once
// Sinks for engine tests.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/connect_info.h"
#include "engine/connection_sink.h"

using namespace quillet::engine;

struct SinkEvent {
    ConnectInfo* record;
    std::optional<UpdateKind> kind;  // empty: a new record
    uint64_t key;
    std::thread::id thread{};  // the worker that told it (RecordingSink)
};

// Records every event as it arrives on the worker thread.
class RecordingSink : public IConnectionSink {
public:
    void OnNewConnection(ConnectInfo* p, uint64_t key) override { Add({p, std::nullopt, key}); }
    void OnConnectionUpdate(ConnectInfo* p, UpdateKind kind, uint64_t key) override {
        Add({p, kind, key});
    }
    void OnConnectionsRefused(unsigned total) override {
        refused = total;
        ++refusedCalls;
    }

    std::vector<SinkEvent> Events();
    size_t Count(UpdateKind kind);
    size_t CountNew();  // new records
    // Optional hook run on the worker thread for each new record (a page would create its node).
    std::function<void(ConnectInfo*)> onNew;
    std::atomic<unsigned> refused{0};  // the last refusal count reported
    std::atomic<unsigned> refusedCalls{0};

private:
    void Add(SinkEvent e);
    std::mutex m_mutex;
    std::vector<SinkEvent> m_events;
};

// Behaves like a user-interface thread: events are queued to one thread of its own and the
// worker waits until that thread has handled them, as a page's sink does. Close() releases all
// waiting workers, as a page does at teardown.
class UiThreadSink : public IConnectionSink {
public:
    explicit UiThreadSink(std::function<void(const SinkEvent&)> handler);
    ~UiThreadSink() override;
    void OnNewConnection(ConnectInfo* p, uint64_t key) override { Deliver({p, std::nullopt, key}); }
    void OnConnectionUpdate(ConnectInfo* p, UpdateKind kind, uint64_t key) override {
        Deliver({p, kind, key});
    }
    // Runs `fn` on the simulated user-interface thread and waits for it.
    void RunOnUi(std::function<void()> fn);
    void Close();

private:
    void Deliver(SinkEvent e);
    void Loop();

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_queue;
    uint64_t m_posted = 0, m_done = 0;
    bool m_closed = false, m_quit = false;
    std::function<void(const SinkEvent&)> m_handler;
    std::thread m_thread;
};
