#pragma once
// The picture generator's drawing helpers and the four families of pictures it draws.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <functional>

namespace quillet::art {

// Receives each finished picture: kind is "bitmap", "bitmap/en" (the English version of a
// picture with words) or "icon", name the file's base name.
using Sink = std::function<void(const QString& kind, const QString& name, const QImage& img)>;
// Receives a finished file that is not a picture (the scalable icon): kind, file name, bytes.
using FileSink =
    std::function<void(const QString& kind, const QString& fileName, const QByteArray& bytes)>;

void DrawButtons(const Sink& sink);  // page buttons and the caption buttons
void DrawFrame(const Sink& sink);    // main window frame and caption emblem
void DrawTabs(const Sink& sink);     // the seven protocol tabs, three looks each
void DrawIcons(const Sink& sink);    // tree icons and the program icon
// The program icon for the desktop (kind "desktop", not compiled in): PNG at 64, 128 and 256
// pixels and a scalable SVG of the same drawing.
void DrawDesktopIcons(const Sink& sink, const FileSink& files);

// Pixels of this colour are transparent wherever a picture is drawn.
inline const QColor kKey(255, 0, 255);

// Fonts named outright so the output does not depend on fontconfig's choice.
QFont CjkFont(int pixelSize, bool bold = false);
QFont LatinFont(int pixelSize, bool bold = false, bool italic = false);

// An opaque picture filled with the key colour.
QImage KeyedCanvas(int w, int h);
// Fills `outline` with `face` and rims it with `rim`, one pixel wide, on a painter already
// scaled by `scale`, antialiasing off. `outline` runs through pixel corners, where an aliased
// one-pixel pen covers the pixels right of and below it. Under a larger scale the pen straddles
// the line instead: half of it would fall off the top and left edges and the bottom and right
// rims would stop short of the edge, so there the shape is drawn along the pixels' centres.
void DrawRimmed(QPainter& p, const QPainterPath& outline, const QColor& rim, const QBrush& face,
                int scale);
// Draws `text` centred in `rect` with a one-pixel `outline` around the glyphs.
void OutlinedText(QPainter& p, const QRectF& rect, const QString& text, const QColor& fill,
                  const QColor& outline);

}  // namespace quillet::art
