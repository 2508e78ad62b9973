#pragma once
// The window's responsiveness seen from outside its process, on an X server: a _NET_WM_PING
// client message sent to a top-level window is answered by Qt from the window's (user-interface)
// thread, by sending it back to the root window. A prober on a connection of its own sends one
// every 10 ms and times each answer; a thread that is kept from its events answers late.
//
// Threads: the owner's thread, except between Start and Stop, when only the prober's own thread
// uses the connection.
#include <sys/types.h>
#include <xcb/xcb.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"

namespace quillet::bench {

struct PingFigures {
    double p99Ms = 0;
    double maxMs = 0;
    int sent = 0;
    int unanswered = 0;  // counted with the time they had waited at the end
};

class WindowPing {
public:
    ~WindowPing();
    // Connects to `display` and watches the root window for mapped top-level windows.
    bool Open(const std::string& display);
    // The first top-level window of process `pid` mapped before `deadline` (its _NET_WM_PID),
    // and when the map was seen; 0 when none was.
    xcb_window_t WaitMapped(pid_t pid, Clock::time_point deadline, Clock::time_point* at);
    // One ping and its answer's time, or nothing when none came before `deadline`.
    std::optional<Clock::time_point> PingOnce(xcb_window_t window, Clock::time_point deadline);
    // A ping every 10 ms on a thread of its own, for at most `limit`.
    void Start(xcb_window_t window, std::chrono::seconds limit);
    // Stops sending, waits up to a second for the answers still due, and sums up.
    PingFigures Stop();

private:
    void Send(xcb_window_t window, uint32_t seq);
    // Handles the events waiting; returns the sequence numbers of the pings answered.
    std::vector<uint32_t> Answers(xcb_window_t window);
    bool WaitReadable(Clock::time_point until);
    void Loop(xcb_window_t window, Clock::time_point end);

    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_protocols = 0, m_ping = 0, m_pid = 0;
    uint32_t m_seq = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::vector<Clock::time_point> m_sentAt;  // by sequence number - 1; the prober's thread
    std::vector<double> m_rttMs;              // the prober's thread
    std::vector<bool> m_answered;             // the prober's thread
};

}  // namespace quillet::bench
