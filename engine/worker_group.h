#pragma once
// The worker threads of one engine, so that the engine can join them at teardown: no worker may
// outlive the engine and the records it points to.
//
// A thread runs one body at a time. When its body returns it waits, parked, for the next Spawn
// (at most kMaxParked threads wait; each leaves after kParkedIdle without work), so that a run of
// short connections does not create and destroy a thread for each. Threads get a small stack of
// their own size (kStackBytes, the system's guard page kept): the engine's loops keep their
// buffers small or on the heap. A thread that left is joined by the next one to leave, the next
// Spawn that makes a thread, or JoinAll, so that no more than one finished thread's stack waits.
//
// Threads: Spawn from any thread (the user-interface thread, an accept or a receive thread);
// JoinAll from the owner's thread, never while holding g_csConnect. The counts from any thread.
// m_mutex guards every member but m_idle, which is set once at construction.
#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <mutex>
#include <vector>

namespace quillet::engine {

class WorkerGroup {
public:
    // A body's stack: the deepest measured use (a receive thread logging, replying and telling
    // its page, Qt's event posting included) is a small part of it. Sanitizers' frames are
    // several times larger.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    static constexpr size_t kStackBytes = 2048 * 1024;
#else
    static constexpr size_t kStackBytes = 256 * 1024;
#endif
    static constexpr size_t kMaxParked = 64;
    static constexpr std::chrono::milliseconds kParkedIdle{10000};

    WorkerGroup() = default;
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    // Runs `body` on a parked thread, or on a new one; false (and nothing started) once JoinAll
    // has begun or when the system refuses a new thread (a process or memory limit). `handle`
    // receives the thread's handle, which serves later bodies too once this one returns.
    bool Spawn(std::function<void()> body, pthread_t* handle = nullptr);
    // Refuses further spawns, releases the parked threads and joins every thread; the caller has
    // woken the bodies still running first.
    void JoinAll();
    // Threads running a body.
    size_t LiveCount();
    // Threads waiting for a body.
    size_t ParkedCount();
    // Threads this group has made so far.
    size_t ThreadsMade();

    // Test seam: the next `count` spawns in the process fail as a refused thread creation does,
    // whether or not a parked thread waits.
    static void FailNextSpawnsForTest(int count);
    // Test seam: how long parked threads of groups made from now on wait before they leave.
    static void SetParkedIdleForTest(std::chrono::milliseconds idle);
    // Diagnostics (benchmarks): while on, each thread that ends notes how deep its stack was
    // touched; DeepestStackUse is the most of any so far, in bytes (static TLS included).
    static void MeasureStackUse(bool on);
    static size_t DeepestStackUse();

private:
    struct Worker {
        WorkerGroup* group = nullptr;
        pthread_t handle{};
        std::function<void()> body;  // the next body; set by Spawn, taken by the thread
        std::condition_variable wake;
        std::list<Worker>::iterator self;
    };
    static void* ThreadMain(void* arg);
    void Serve(Worker* w);
    // Waits, parked, for a body; false when the thread is to leave. Lock held throughout.
    bool Park(Worker* w, std::unique_lock<std::mutex>& lock);
    void Leave(Worker* w);
    void ReapFinishedLocked();

    std::mutex m_mutex;
    std::list<Worker> m_workers;      // every thread not yet joined
    std::vector<Worker*> m_parked;    // last parked at the back
    std::vector<Worker*> m_finished;  // left, to be joined
    size_t m_busy = 0;
    size_t m_made = 0;
    bool m_closed = false;
    std::chrono::milliseconds m_idle = ParkedIdle();

    static std::chrono::milliseconds ParkedIdle();
};

}  // namespace quillet::engine
