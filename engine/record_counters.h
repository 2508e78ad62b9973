#pragma once
// What a record has received and sent, counted as each chunk arrives or goes out, and how fast
// it received over the last second. Counting costs a few additions per chunk; nothing is
// computed until someone looks.
//
// Threads: none of its own. A record's counters are guarded by g_csConnect (crit_sec.h): the
// workers count received chunks under it, the page counts sent chunks and reads them under it.
#include <array>
#include <chrono>
#include <cstdint>

namespace quillet::engine {

// Bytes per slice of time over the last second: ten slices of 100 ms, each forgotten as the
// clock comes round to it again.
class RateWindow {
public:
    using Clock = std::chrono::steady_clock;

    void Add(uint64_t bytes, Clock::time_point now);
    // Bytes counted in the second up to `now` (at 100 ms resolution).
    uint64_t LastSecond(Clock::time_point now) const;
    void Clear() { m_slots = {}; }

private:
    static constexpr uint32_t kSlots = 10;
    static constexpr int64_t kSliceMs = 100;
    // The slice's number modulo 2^32: every record has a window, so it is kept small, and only
    // differences of under a second are ever taken.
    static uint32_t SliceOf(Clock::time_point t);

    struct Slot {
        uint32_t slice = 0;
        uint32_t bytes = 0;  // saturates; 100 ms at 40 GB/s would fill it
    };
    std::array<Slot, kSlots> m_slots{};
};

struct RecordCounters {
    uint64_t recvBytes = 0;
    uint64_t recvMessages = 0;
    uint64_t sentBytes = 0;
    uint64_t sentMessages = 0;
    RateWindow recvRate;
    // Automatic replies withheld: to one of the program's own sockets, or past the peer's budget.
    uint64_t repliesToOwn = 0;
    uint64_t repliesOverBudget = 0;

    void CountReceived(uint64_t bytes, RateWindow::Clock::time_point now) {
        recvBytes += bytes;
        ++recvMessages;
        recvRate.Add(bytes, now);
    }
    void CountSent(uint64_t bytes, uint64_t messages = 1) {
        sentBytes += bytes;
        sentMessages += messages;
    }
    void ClearReceived() {
        recvBytes = recvMessages = 0;
        recvRate.Clear();
    }
    void ClearSent() { sentBytes = sentMessages = 0; }
};

// A copy of the counters as a page shows them.
struct CounterSnapshot {
    uint64_t recvBytes = 0;
    uint64_t recvMessages = 0;
    uint64_t sentBytes = 0;
    uint64_t sentMessages = 0;
    uint64_t recvPerSecond = 0;
    uint64_t repliesToOwn = 0;
    uint64_t repliesOverBudget = 0;
};
CounterSnapshot ReadCounters(const RecordCounters& c, RateWindow::Clock::time_point now);

}  // namespace quillet::engine
