#pragma once
// The main window's frame: composed from the eight frame pictures on one off-screen surface,
// and the window shape that leaves out the key-coloured pixels of the four corners.
#include <QFont>
#include <QPixmap>
#include <QRegion>
#include <QString>

#include <vector>

class QPainter;

namespace quillet::shell {

struct FramePictures {
    QPixmap caption;      // 284, the emblem
    QPixmap topLeft;      // 224
    QPixmap top;          // 222
    QPixmap topRight;     // 217
    QPixmap left;         // 227
    QPixmap right;        // 223
    QPixmap bottomLeft;   // 218
    QPixmap bottomRight;  // 219
    static FramePictures Load();
};

// A picture drawn on top of the frame (the caption buttons' normal pictures while dragging),
// with its key-coloured pixels left out.
struct Overlay {
    QPoint at;
    QPixmap picture;
};

// The whole client area of a cx × cy window: white fill in a black outline, the frame pictures,
// the emblem and the title. Corner pictures are copied plainly, key colour included, so the
// shape can be read back from the result. On a screen scaled by `ratio` the surface has the
// window's whole device pixels (cx × ratio, rounded) and the right and bottom pieces end on its
// last pixel, so no frame line falls between two pixels.
QPixmap ComposeFrame(const QSize& size, const FramePictures& pics, const QString& title,
                     const QFont& titleFont, const std::vector<Overlay>& overlays = {},
                     qreal ratio = 1.0);

// The rectangle of the surface less every RGB(255,0,255) pixel of its four 6 × 6 corners, in
// the window's own (device-independent) pixels; each is judged by the surface pixel at its
// centre.
QRegion ShapeOf(const QPixmap& surface);

// Copies `picture` at its natural (device-independent) size in rows and columns from `area`'s
// top-left corner while the start lies inside `area` (the last copies may overhang).
void Tile(QPainter& p, const QRectF& area, const QPixmap& picture);

}  // namespace quillet::shell
