#pragma once
// The worker threads of one engine, so that the engine can join them at teardown: no worker may
// outlive the engine and the records it points to. Finished threads are joined on the next
// Spawn, so a long run with many short connections does not pile up thread stacks.
//
// Threads: Spawn from any thread (the user-interface thread or an accept thread); JoinAll from
// the owner's thread, never while holding g_csConnect.
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace quillet {

class WorkerGroup {
public:
    WorkerGroup() = default;
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    // Starts `body` on a new thread; false (and nothing started) once JoinAll has begun or when
    // the system refuses a new thread (a process or memory limit).
    bool Spawn(std::function<void()> body, pthread_t* handle = nullptr);
    // Refuses further spawns and joins every thread; the caller has woken them first.
    void JoinAll();
    size_t LiveCount();

    // Test seam: the next `count` spawns in the process fail as a refused thread creation does.
    static void FailNextSpawnsForTest(int count);

private:
    void ReapFinishedLocked();

    std::mutex m_mutex;
    std::list<std::thread> m_threads;       // guarded by m_mutex
    std::list<std::thread::id> m_finished;  // guarded by m_mutex
    bool m_closed = false;                  // guarded by m_mutex
};

}  // namespace quillet
