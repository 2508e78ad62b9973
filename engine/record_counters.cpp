#include "engine/record_counters.h"

namespace quillet::engine {

uint32_t RateWindow::SliceOf(Clock::time_point t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch());
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count() / kSliceMs));
}

void RateWindow::Add(uint64_t bytes, Clock::time_point now) {
    const uint32_t slice = SliceOf(now);
    Slot& slot = m_slots[slice % kSlots];
    if (slot.slice != slice) {
        slot.slice = slice;
        slot.bytes = 0;
    }
    const uint64_t sum = slot.bytes + bytes;
    slot.bytes = sum > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(sum);
}

uint64_t RateWindow::LastSecond(Clock::time_point now) const {
    const uint32_t slice = SliceOf(now);
    uint64_t sum = 0;
    for (const Slot& slot : m_slots)
        if (static_cast<uint32_t>(slice - slot.slice) < kSlots)  // this slice or the nine before
            sum += slot.bytes;
    return sum;
}

CounterSnapshot ReadCounters(const RecordCounters& c, RateWindow::Clock::time_point now) {
    return CounterSnapshot{
        c.recvBytes,    c.recvMessages,     c.sentBytes, c.sentMessages, c.recvRate.LastSecond(now),
        c.repliesToOwn, c.repliesOverBudget};
}

}  // namespace quillet::engine
