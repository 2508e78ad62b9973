#pragma once
// A page's automatic answer to what its connections receive: off, the received bytes sent back
// (echo), or a fixed reply. The receiving worker asks for the reply of each chunk or datagram
// and sends it itself, without waiting for the page.
//
// Threads: Set from the page's (user-interface) thread; ReplyFor and CountDropped from any
// worker. The rule is swapped whole under m_mutex, so a worker sees either the old or the new.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/send_queue.h"

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

// Books a reply the socket took whole, for the page to log with the other finished sends. While
// the page is behind by more than SendQueue::kMaxDoneBytes, replies are only counted
// (unloggedBytes), so that a fast exchange cannot pile up memory. Caller holds g_csConnect.
void BookReply(SendQueue& q, std::string bytes);
// Books a queued send the writer finished. The page's own texts are always kept for the log; a
// file's piece is only counted, and so is a reply while the page is behind (as above), so that
// finished sends waiting for the page stay bounded. Caller holds g_csConnect.
void BookWritten(SendQueue& q, PendingSend item);
