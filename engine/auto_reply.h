#pragma once
// A page's automatic answer to what its connections receive: off, the received bytes sent back
// (echo), or a fixed reply. The receiving worker asks for the reply of each chunk or datagram
// and sends it itself, without waiting for the page.
//
// Threads: Set from the page's (user-interface) thread; ReplyFor and CountDropped from any
// worker. The rule is swapped whole under m_mutex, so a worker sees either the old or the new.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/record_counters.h"
#include "engine/send_queue.h"

namespace quillet::engine {

struct AutoReplyRule {
    enum class Mode { kOff, kEcho, kFixed };
    Mode mode = Mode::kOff;
    std::string bytes;  // the fixed reply's wire bytes
};

class AutoReply {
public:
    void Set(AutoReplyRule rule);
    AutoReplyRule Get() const;
    // The reply to `received` in *out; false when the rule is off or the reply is empty.
    bool ReplyFor(std::string_view received, std::string* out) const;
    // A reply that had no room (the connection's send queue was full).
    void CountDropped() { ++m_dropped; }
    uint64_t Dropped() const { return m_dropped; }

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const AutoReplyRule> m_rule;  // guarded by m_mutex; null means off
    std::atomic<uint64_t> m_dropped{0};
};

// Each peer's automatic replies may send per second at most what came in from that peer in the
// same second plus this allowance, so that a forged request cannot make the program send
// many times its size to someone else. Negative: no budget. Any thread.
inline constexpr int64_t kDefaultReplyAllowance = 64 * 1024;
void SetReplyAllowance(int64_t bytes);
int64_t ReplyAllowance();

// One peer's budget: the bytes that came in and went out as replies in the current second.
// Guarded by g_csConnect, as the record that holds it.
struct ReplyBudget {
    int64_t second = -1;
    uint64_t in = 0;
    uint64_t out = 0;
};

enum class ReplyVerdict { kSend, kOwnSocket, kOverBudget };
// Whether a reply of `outBytes` to a chunk of `inBytes` may go to a peer (`ownPeer`: one of the
// program's own sockets, never answered). Counts the chunk and an admitted reply in `budget`, a
// withheld one in `counters`. Caller holds g_csConnect.
ReplyVerdict AdmitReply(ReplyBudget& budget, RecordCounters& counters, size_t inBytes,
                        size_t outBytes, bool ownPeer, std::chrono::steady_clock::time_point now);

// Books a reply the socket took whole, for the page to log with the other finished sends. While
// the page is behind by more than SendQueue::kMaxDoneBytes, replies are only counted
// (unloggedBytes), so that a fast exchange cannot pile up memory. Caller holds g_csConnect.
void BookReply(SendQueue& q, std::string bytes);
// Books a queued send the writer finished. The page's own texts are always kept for the log; a
// file's piece is only counted, and so is a reply while the page is behind (as above), so that
// finished sends waiting for the page stay bounded. Caller holds g_csConnect.
void BookWritten(SendQueue& q, PendingSend item);

}  // namespace quillet::engine
