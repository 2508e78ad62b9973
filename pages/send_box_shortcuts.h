#pragma once
// The send box's own keys: Ctrl+Enter sends (Enter still breaks the line), Ctrl+Up and
// Ctrl+Down recall older and newer texts from the page's history. The box takes these keys
// before any window shortcut.
//
// Threads: user-interface thread only.
#include <functional>

class QPlainTextEdit;

namespace quillet::pages {

struct SendBoxActions {
    std::function<void()> send;
    std::function<void()> older;
    std::function<void()> newer;
};

// Installs the keys on `box`; the filter is a child of `box`.
void UseSendBoxShortcuts(QPlainTextEdit* box, SendBoxActions actions);

}  // namespace quillet::pages
