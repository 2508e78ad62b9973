#pragma once
// Keyboard use of a multi-line box that the user types messages into: Tab and Shift+Tab move
// the focus on like in every other control, Ctrl+Tab types the tab character instead.
//
// Threads: user-interface thread only.
class QPlainTextEdit;

namespace quillet::ui {

// Applies the keys above to `edit`; the filter it installs is a child of `edit`.
void UseTabForFocus(QPlainTextEdit* edit);

}  // namespace quillet::ui
