#pragma once
// How a log view breaks an item's text into pieces for layout: each line (up to its line break)
// is cut every kPieceChars characters, never inside a surrogate pair. A piece is laid out on
// its own, so showing part of a text of any length costs what that part costs, and the pieces
// next to any position are found by looking at no more than one piece's characters.
//
// A piece is [start, PieceEnd(text, start)); the line break that ends a line belongs to no
// piece. A text that ends with a line break ends with an empty piece (an empty last line).
//
// Threads: any thread (pure functions).
#include <QString>

namespace quillet::pages {

inline constexpr int kPieceChars = 4096;

// The start of the piece that holds position `offset` (0 <= offset <= text.size()).
int PieceAt(const QString& text, int offset);
// Where the piece that starts at `start` ends.
int PieceEnd(const QString& text, int start);
// The start of the piece after (before) the one at `start`, or -1 when it is the last (first).
int NextPiece(const QString& text, int start);
int PrevPiece(const QString& text, int start);
// The start of the text's last piece.
int LastPiece(const QString& text);
// Whether the piece at `start` continues a line that an earlier piece began.
inline bool ContinuesLine(const QString& text, int start) {
    return start > 0 && text[start - 1] != QLatin1Char('\n');
}

}  // namespace quillet::pages
