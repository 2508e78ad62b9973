#pragma once
// A page's automatic reply as the user chose it: off, echo, or a fixed text (hex pairs or
// typed text), as a value that workspaces keep and the send controllers apply.
//
// Threads: a value; any thread.
#include <QString>

namespace quillet::pages {

struct AutoReplySpec {
    enum class Mode { kOff, kEcho, kFixed };
    Mode mode = Mode::kOff;
    QString text;
    bool hex = false;
    bool operator==(const AutoReplySpec&) const = default;
};

}  // namespace quillet::pages
