#pragma once
// Peers in a child process of the benchmark (`bench_pages --connect PORT COUNT`, the same in
// every benchmark executable that uses it: RunConnector), so that each
// side has an open-file limit of its own. The child reports when its first connect began and its
// last returned, and holds every connection until its standard input closes (the destructor, or
// Stop).
//
// Threads: the owner's thread; a reader thread of its own waits for the child's report.
#include <sys/types.h>

#include <atomic>
#include <thread>

#include "bench/bench_support.h"

namespace quillet::bench {

// `--connect PORT COUNT`: connects COUNT clients to 127.0.0.1:PORT, prints
// "@connected <first connect's start> <last connect's end> <connected>" (steady-clock ticks),
// holds them until standard input closes.
int RunConnector(int port, int count);

class ChildPeers {
public:
    bool Start(int port, int count);
    bool Done() const { return m_done; }
    pid_t Pid() const { return m_pid; }
    int Connected() const { return m_connected; }
    Clock::time_point FirstConnect() const { return Clock::time_point(Clock::duration(m_firstNs)); }
    Clock::time_point LastConnect() const { return Clock::time_point(Clock::duration(m_lastNs)); }
    // Closes every connection of the child and waits for it to end.
    void Stop();
    ~ChildPeers() { Stop(); }

private:
    pid_t m_pid = -1;
    int m_toChild = -1;
    std::thread m_reader;
    std::atomic<bool> m_done{false};
    std::atomic<int> m_connected{0};
    std::atomic<Clock::rep> m_firstNs{0};
    std::atomic<Clock::rep> m_lastNs{0};
};

}  // namespace quillet::bench
