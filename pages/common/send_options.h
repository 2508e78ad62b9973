#pragma once
// The user's choices for sending, kept with the other settings under "send/...": what a line
// break of the send box becomes on the wire, and whether the box keeps its text after a send.
//
// Threads: user-interface thread only (the settings are read there); ApplyLineEnding anywhere.
#include <string>
#include <string_view>

namespace quillet::pages {

enum class LineEnding {
    kLf = 0,  // as typed (the default)
    kCrLf = 1,
    kCr = 2,
    kNone = 3,  // line breaks are dropped
};

struct SendOptions {
    LineEnding lineEnding = LineEnding::kLf;
    bool keepText = false;
    // Automatic replies to a peer: at most what it sent per second plus this many KiB; -1 for
    // no budget.
    int replyAllowanceKiB = kDefaultReplyAllowanceKiB;
    static constexpr int kDefaultReplyAllowanceKiB = 64;
    static constexpr int kMaxReplyAllowanceKiB = 1 << 20;
};

// The stored choices, or the defaults.
SendOptions CurrentSendOptions();
// Stores them and hands the reply budget to the engines.
void StoreSendOptions(const SendOptions& options);
// Hands the stored reply budget to the engines (at start-up).
void ApplyReplyAllowance();

// `text` with each line break (LF) replaced by `ending`.
std::u16string ApplyLineEnding(std::u16string_view text, LineEnding ending);

}  // namespace quillet::pages
