#include "tests/engine/test_sinks.h"

#include <algorithm>

std::vector<SinkEvent> RecordingSink::Events() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

size_t RecordingSink::Count(UpdateKind kind) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(std::count_if(
        m_events.begin(), m_events.end(), [kind](const SinkEvent& e) { return e.kind == kind; }));
}

size_t RecordingSink::CountNew() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(std::count_if(m_events.begin(), m_events.end(),
                                             [](const SinkEvent& e) { return !e.kind; }));
}

void RecordingSink::Add(SinkEvent e) {
    e.thread = std::this_thread::get_id();
    if (!e.kind && onNew)
        onNew(e.record);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(e);
}

UiThreadSink::UiThreadSink(std::function<void(const SinkEvent&)> handler)
    : m_handler(std::move(handler)), m_thread([this] { Loop(); }) {}

UiThreadSink::~UiThreadSink() {
    Close();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void UiThreadSink::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_cv.notify_all();
}

void UiThreadSink::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty())
            return;
        auto fn = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        fn();
        lock.lock();
        ++m_done;
        m_cv.notify_all();
    }
}

void UiThreadSink::RunOnUi(std::function<void()> fn) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(fn));
    uint64_t id = ++m_posted;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_done >= id; });
}

void UiThreadSink::Deliver(SinkEvent e) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_closed)
        return;
    m_queue.push_back([this, e] { m_handler(e); });
    uint64_t id = ++m_posted;
    m_cv.notify_all();
    m_cv.wait(lock, [&] { return m_closed || m_done >= id; });
}
