#pragma once
// The control pictures (U+2400 to U+243F) that the logs show for control bytes. The package
// depends on a font that has them; where no installed font does, the views draw each one
// themselves as a small box holding its abbreviation, over the empty box the font left.
//
// Threads: user-interface thread only (the font check is cached there).
#include <QString>

class QColor;
class QFont;
class QPainter;
class QPointF;
class QRectF;
class QTextLayout;

namespace quillet::pages {

inline constexpr char16_t kFirstControlPicture = 0x2400;
inline constexpr char16_t kLastControlPicture = 0x243F;

// The abbreviation a control picture stands for ("NUL", "ESC", "DEL" ...); empty for other
// characters and for the unassigned ones.
QString ControlPictureName(char16_t c);

// Whether text in `font`, with Qt's fallback to the other installed fonts, shows the control
// pictures as glyphs. Checked once per font.
bool FontShowsControlPictures(const QFont& font);

// Test seam: as if no font had the control pictures (true), or as the fonts say (false).
void SetControlPicturesMissingForTest(bool missing);

// Draws the control picture `c` as a box with its abbreviation filling `cell`.
void DrawControlPictureBox(QPainter& painter, const QRectF& cell, char16_t c, const QColor& text,
                           const QColor& background);

// After `layout` was drawn at `origin`: draws its control pictures as boxes when no font shows
// them, and does nothing otherwise. Costs a scan of the layout's text.
void DrawMissingControlPictures(QPainter& painter, const QTextLayout& layout, const QPointF& origin,
                                const QColor& text, const QColor& background);

}  // namespace quillet::pages
