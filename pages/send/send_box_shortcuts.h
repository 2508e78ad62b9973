#pragma once
// The send box's own keys: Ctrl+Enter sends (Enter still breaks the line), Ctrl+Up and
// Ctrl+Down recall older and newer texts from the page's history, Ctrl+Shift+H and
// Ctrl+Shift+E send the text once as hex pairs or with escapes, Ctrl+M opens the saved
// messages, Ctrl+Shift+M saves the box's text among them and Ctrl+Shift+Q opens the
// sequences. The box takes these keys before
// any window shortcut; an action left empty leaves its key to the box.
//
// Threads: user-interface thread only.
#include <functional>

class QPlainTextEdit;

namespace quillet::pages {

struct SendBoxActions {
    std::function<void()> send;
    std::function<void()> older;
    std::function<void()> newer;
    std::function<void()> sendAsHex;
    std::function<void()> sendWithEscapes;
    std::function<void()> savedMessages;
    std::function<void()> saveText;
    std::function<void()> sequences;
};

// Installs the keys on `box`; the filter is a child of `box`.
void UseSendBoxShortcuts(QPlainTextEdit* box, SendBoxActions actions);

}  // namespace quillet::pages
