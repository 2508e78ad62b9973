#include "engine/worker_group.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace quillet::engine {
namespace {

std::atomic<int> g_failSpawns{0};
std::atomic<long long> g_idleMs{WorkerGroup::kParkedIdle.count()};
std::atomic<bool> g_measureStacks{false};
std::atomic<size_t> g_deepestStack{0};

bool TakeInjectedFailure() {
    int left = g_failSpawns.load();
    while (left > 0 && !g_failSpawns.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

// How deep the calling thread's stack was ever touched: its lowest resident page. Stack pages
// stay resident once touched, so one look at the end sees every body the thread ran.
size_t TouchedStackDepth() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0)
        return 0;
    void* low = nullptr;
    size_t size = 0;
    pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(low);
    const uintptr_t aligned = (start + page - 1) / page * page;
    if (aligned - start >= size)
        return 0;
    size -= aligned - start;
    std::vector<unsigned char> resident((size + page - 1) / page);
    if (mincore(reinterpret_cast<void*>(aligned), size, resident.data()) != 0)
        return 0;
    const auto first = std::find_if(resident.begin(), resident.end(),
                                    [](unsigned char r) { return (r & 1) != 0; });
    return size - static_cast<size_t>(first - resident.begin()) * page;
}

void NoteStackDepth() {
    const size_t depth = TouchedStackDepth();
    size_t seen = g_deepestStack.load();
    while (depth > seen && !g_deepestStack.compare_exchange_weak(seen, depth)) {
    }
}

}  // namespace

void WorkerGroup::FailNextSpawnsForTest(int count) {
    g_failSpawns = count;
}

void WorkerGroup::SetParkedIdleForTest(std::chrono::milliseconds idle) {
    g_idleMs = idle.count();
}

std::chrono::milliseconds WorkerGroup::ParkedIdle() {
    return std::chrono::milliseconds(g_idleMs.load());
}

void WorkerGroup::MeasureStackUse(bool on) {
    g_measureStacks = on;
}

size_t WorkerGroup::DeepestStackUse() {
    return g_deepestStack;
}

WorkerGroup::~WorkerGroup() {
    JoinAll();
}

void WorkerGroup::ReapFinishedLocked() {
    // Each has left its loop and lets go of the lock as its last act: the join does not block.
    for (Worker* w : m_finished) {
        pthread_join(w->handle, nullptr);
        m_workers.erase(w->self);
    }
    m_finished.clear();
}

bool WorkerGroup::Spawn(std::function<void()> body, pthread_t* handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed || TakeInjectedFailure())
        return false;
    if (!m_parked.empty()) {
        Worker* w = m_parked.back();
        m_parked.pop_back();
        w->body = std::move(body);
        ++m_busy;
        if (handle)
            *handle = w->handle;
        w->wake.notify_one();
        return true;
    }
    ReapFinishedLocked();
    Worker* w = &m_workers.emplace_back();
    w->self = std::prev(m_workers.end());
    w->body = std::move(body);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kStackBytes);
    w->group = this;
    const int made = pthread_create(&w->handle, &attr, ThreadMain, w);
    pthread_attr_destroy(&attr);
    if (made != 0) {
        m_workers.erase(w->self);  // nothing was started: the caller cleans up and reports
        return false;
    }
    ++m_busy;
    ++m_made;
    if (handle)
        *handle = w->handle;
    return true;
}

void* WorkerGroup::ThreadMain(void* arg) {
    auto* w = static_cast<Worker*>(arg);
    w->group->Serve(w);
    return nullptr;
}

void WorkerGroup::Serve(Worker* w) {
    // The first body was handed over before the thread was made: taking it needs no lock, so a
    // new thread does not wait for the Spawn that made it.
    std::function<void()> body = std::move(w->body);
    w->body = nullptr;
    for (;;) {
        body();
        body = nullptr;  // its captures go before the thread is offered again
        std::unique_lock<std::mutex> lock(m_mutex);
        --m_busy;
        if (m_closed || m_parked.size() >= kMaxParked || !Park(w, lock))
            break;
        body = std::move(w->body);
        w->body = nullptr;
    }
    if (g_measureStacks)
        NoteStackDepth();
    Leave(w);
}

bool WorkerGroup::Park(Worker* w, std::unique_lock<std::mutex>& lock) {
    m_parked.push_back(w);
    w->wake.wait_for(lock, m_idle, [&] { return w->body || m_closed; });
    if (w->body)
        return true;  // Spawn took it off the parked list and counted it busy
    // Idle too long, or closing (JoinAll emptied the list already).
    m_parked.erase(std::remove(m_parked.begin(), m_parked.end(), w), m_parked.end());
    return false;
}

void WorkerGroup::Leave(Worker* w) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed)
        return;  // JoinAll joins it
    ReapFinishedLocked();
    m_finished.push_back(w);
}

void WorkerGroup::JoinAll() {
    std::list<Worker> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        for (Worker* w : m_parked)
            w->wake.notify_one();
        m_parked.clear();
        m_finished.clear();
        workers.swap(m_workers);
    }
    for (Worker& w : workers)
        pthread_join(w.handle, nullptr);
}

size_t WorkerGroup::LiveCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_busy;
}

size_t WorkerGroup::ParkedCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_parked.size();
}

size_t WorkerGroup::ThreadsMade() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_made;
}

}  // namespace quillet::engine
