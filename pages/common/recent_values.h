#pragma once
// The values last confirmed in a prompt's boxes, kept between runs per page and per box
// (settings "recent/<page>/<box id>", newest first, each once). They are offered, never filled
// in: the Down arrow in a box lists them, and typing lists those that start with the text.
//
// Threads: user-interface thread only.
#include <QString>
#include <QStringList>

class QLineEdit;

namespace quillet::pages {

// The most values one box keeps.
inline constexpr int kMaxRecentValues = 10;

// The values kept for box `boxId` of `page`'s prompt that the box `box` would take as typed.
QStringList RecentValues(const QString& page, int boxId, const QLineEdit* box);
// Makes `text` (not empty) the newest value of the box.
void AddRecentValue(const QString& page, int boxId, const QString& text);
// Offers `box`'s kept values on the Down arrow and while typing (a completer of the box).
void OfferRecentValues(const QString& page, int boxId, QLineEdit* box);

}  // namespace quillet::pages
