#include "pages/log/log_pieces.h"

#include <algorithm>

namespace quillet::pages {

namespace {

// The cut at the `k`th multiple of kPieceChars, moved past a low surrogate (so that a pair
// stays whole) and past a line break (the break ends the piece before it).
int Cut(const QString& text, int k) {
    int at = k * kPieceChars;
    const int size = static_cast<int>(text.size());
    if (at > 0 && at < size && text[at].isLowSurrogate())
        ++at;
    if (at > 0 && at < size && text[at] == QLatin1Char('\n'))
        ++at;
    return at;
}

}  // namespace

int PieceAt(const QString& text, int offset) {
    int k = offset / kPieceChars;
    int cut = Cut(text, k);
    // A cut at the very end starts no piece: the end belongs to the piece before it.
    if (cut > offset || (cut == offset && offset > 0 && offset == text.size()))
        cut = k > 0 ? Cut(text, k - 1) : 0;
    for (int i = offset - 1; i >= cut; --i)
        if (text[i] == QLatin1Char('\n'))
            return i + 1;
    return cut;
}

int PieceEnd(const QString& text, int start) {
    const int size = static_cast<int>(text.size());
    const int limit = std::min(size, Cut(text, start / kPieceChars + 1));
    for (int i = start; i < limit; ++i)
        if (text[i] == QLatin1Char('\n'))
            return i;
    return limit;
}

int NextPiece(const QString& text, int start) {
    const int end = PieceEnd(text, start);
    if (end >= text.size())
        return -1;
    return text[end] == QLatin1Char('\n') ? end + 1 : end;
}

int PrevPiece(const QString& text, int start) {
    return start > 0 ? PieceAt(text, start - 1) : -1;
}

int LastPiece(const QString& text) {
    return PieceAt(text, static_cast<int>(text.size()));
}

}  // namespace quillet::pages
