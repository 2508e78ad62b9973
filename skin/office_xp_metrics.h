#pragma once
// The measures, colours and drawing option of the flat menu look, shared by the menu class
// (whose statics hand them out) and the style that draws its items.
//
// Threads: user-interface thread only.
#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

namespace quillet::ui::xp {

// The image column; text items use it too.
inline constexpr int kImageWidth = 16;
inline constexpr int kImageHeight = 15;
inline const QColor kBarColor{99, 190, 255};
inline const QColor kFrameColor{132, 166, 198};
inline const QColor kFillColor{206, 231, 255};

// Item size: text width + 2 * image width + 1 by max(menu bar height, image height + 4).
QSize MeasureItem(const QString& text, bool separator);
QFont MenuFont();
int MenuBarHeight();
// Each channel c becomes the integer part of c + f * (255 - c).
QColor Lighten(const QColor& c, double f);
// Process-wide drawing option (1 = the flat style); the first value applies when the button
// face colour equals the menu colour, the second otherwise.
void SetDrawStyle(int whenFaceIsMenu, int otherwise);
int DrawStyle();

}  // namespace quillet::ui::xp
