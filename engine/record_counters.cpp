#include "engine/record_counters.h"

int64_t RateWindow::SliceOf(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() /
           kSliceMs;
}

void RateWindow::Add(uint64_t bytes, Clock::time_point now) {
    const int64_t slice = SliceOf(now);
    Slot& slot = m_slots[static_cast<size_t>(slice % kSlots)];
    if (slot.slice != slice) {
        slot.slice = slice;
        slot.bytes = 0;
    }
    slot.bytes += bytes;
}

uint64_t RateWindow::LastSecond(Clock::time_point now) const {
    const int64_t slice = SliceOf(now);
    uint64_t sum = 0;
    for (const Slot& slot : m_slots)
        if (slot.slice > slice - kSlots && slot.slice <= slice)
            sum += slot.bytes;
    return sum;
}

CounterSnapshot ReadCounters(const RecordCounters& c, RateWindow::Clock::time_point now) {
    return CounterSnapshot{c.recvBytes, c.recvMessages, c.sentBytes, c.sentMessages,
                           c.recvRate.LastSecond(now)};
}
