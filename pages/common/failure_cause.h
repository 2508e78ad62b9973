#pragma once
// Why the system refused something, in the window's language: one short text per common errno
// (our own translated texts, so no English system text lands inside a Chinese sentence), and a
// general text with the number for the rest. A failure message keeps its own text on its first
// line and gets the cause as its second.
//
// Threads: any thread (translations are only read once the window is up).
#include <QString>

namespace quillet::pages {

// The cause of errno `err`; empty for 0.
QString CauseText(int err);
// `text` and, when `err` is not 0, a second line "原因: <cause>".
QString WithCause(const QString& text, int err);

}  // namespace quillet::pages
