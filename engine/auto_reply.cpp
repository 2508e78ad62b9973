#include "engine/auto_reply.h"

namespace quillet::engine {

namespace {

std::atomic<int64_t> g_replyAllowance{kDefaultReplyAllowance};

}  // namespace

void SetReplyAllowance(int64_t bytes) {
    g_replyAllowance = bytes;
}

int64_t ReplyAllowance() {
    return g_replyAllowance;
}

ReplyVerdict AdmitReply(ReplyBudget& budget, RecordCounters& counters, size_t inBytes,
                        size_t outBytes, bool ownPeer, std::chrono::steady_clock::time_point now) {
    if (ownPeer) {
        ++counters.repliesToOwn;
        return ReplyVerdict::kOwnSocket;
    }
    const int64_t second =
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    if (budget.second != second) {
        budget = ReplyBudget{};
        budget.second = second;
    }
    budget.in += inBytes;
    const int64_t allowance = g_replyAllowance;
    if (allowance >= 0 && budget.out + outBytes > budget.in + static_cast<uint64_t>(allowance)) {
        ++counters.repliesOverBudget;
        return ReplyVerdict::kOverBudget;
    }
    budget.out += outBytes;
    return ReplyVerdict::kSend;
}

void AutoReply::Set(AutoReplyRule rule) {
    std::shared_ptr<const AutoReplyRule> next;
    if (rule.mode != AutoReplyRule::Mode::kOff)
        next = std::make_shared<const AutoReplyRule>(std::move(rule));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rule = std::move(next);
}

AutoReplyRule AutoReply::Get() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rule ? *m_rule : AutoReplyRule{};
}

bool AutoReply::ReplyFor(std::string_view received, std::string* out) const {
    std::shared_ptr<const AutoReplyRule> rule;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        rule = m_rule;
    }
    if (!rule)
        return false;
    if (rule->mode == AutoReplyRule::Mode::kEcho)
        out->assign(received);
    else
        *out = rule->bytes;
    return !out->empty();
}

void BookWritten(SendQueue& q, PendingSend item) {
    if (!item.logged) {
        q.unloggedBytes += item.bytes.size();
        ++q.unloggedMessages;
        return;
    }
    if (item.FromBox()) {
        q.done.push_back(std::move(item));
        return;
    }
    BookReply(q, std::move(item.bytes));
}

void BookReply(SendQueue& q, std::string bytes) {
    if (q.doneBytes + bytes.size() > SendQueue::kMaxDoneBytes) {
        q.unloggedBytes += bytes.size();
        ++q.unloggedMessages;
        return;
    }
    q.doneBytes += bytes.size();
    PendingSend item;
    item.taken = bytes.size();
    item.bytes = std::move(bytes);
    q.done.push_back(std::move(item));
}

}  // namespace quillet::engine
