#include "shell/frame_painter.h"

#include <QImage>
#include <QPainter>

#include "skin/keyed_picture.h"
#include "skin/ui_kit.h"

namespace quillet::shell {
namespace {

const QColor kTitleColour(255, 255, 255);
const QRgb kKey = qRgb(255, 0, 255);
constexpr int kCornerSquare = 6;

}  // namespace

FramePictures FramePictures::Load() {
    using ui::Bitmap;
    return {Bitmap(284), Bitmap(224), Bitmap(222), Bitmap(217),
            Bitmap(227), Bitmap(223), Bitmap(218), Bitmap(219)};
}

void Tile(QPainter& p, const QRect& area, const QPixmap& picture) {
    if (picture.isNull())
        return;
    for (int y = area.top(); y <= area.bottom(); y += picture.height()) {
        for (int x = area.left(); x <= area.right(); x += picture.width()) {
            p.drawPixmap(x, y, picture);
        }
    }
}

QPixmap ComposeFrame(const QSize& size, const FramePictures& pics, const QString& title,
                     const QFont& titleFont, const std::vector<Overlay>& overlays) {
    const int cx = size.width(), cy = size.height();
    QPixmap surface(size);
    QPainter p(&surface);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(0, 0, cx - 1, cy - 1);

    p.drawPixmap(0, 0, pics.topLeft);
    Tile(p,
         QRect(QPoint(pics.topLeft.width(), 0),
               QPoint(cx - pics.topRight.width() - 1, pics.top.height() - 1)),
         pics.top);
    p.drawPixmap(cx - pics.topRight.width(), 0, pics.topRight);
    Tile(p,
         QRect(QPoint(0, pics.topLeft.height()),
               QPoint(pics.left.width() - 1, cy - pics.bottomLeft.height() - 1)),
         pics.left);
    Tile(p,
         QRect(QPoint(cx - pics.right.width(), pics.topRight.height()),
               QPoint(cx - 1, cy - pics.bottomRight.height() - 1)),
         pics.right);
    p.drawPixmap(0, cy - pics.bottomLeft.height(), pics.bottomLeft);
    p.drawPixmap(cx - pics.bottomRight.width(), cy - pics.bottomRight.height(), pics.bottomRight);
    // The emblem's area ends at its own size, so with an 18 × 18 picture this is one copy.
    Tile(p, QRect(QPoint(8, 8), QPoint(pics.caption.width() - 1, pics.caption.height() - 1)),
         pics.caption);

    p.setFont(titleFont);
    p.setPen(kTitleColour);
    p.drawText(QRect(QPoint(28, 8), QPoint(227, 23)), Qt::AlignCenter | Qt::TextSingleLine, title);
    for (const Overlay& o : overlays)
        p.drawPixmap(o.at, ui::KeyOut(o.picture));
    return surface;
}

QRegion ShapeOf(const QPixmap& surface) {
    const int cx = surface.width(), cy = surface.height();
    QRegion shape(0, 0, cx, cy);
    const QPoint corners[] = {{0, 0},
                              {cx - kCornerSquare, 0},
                              {0, cy - kCornerSquare},
                              {cx - kCornerSquare, cy - kCornerSquare}};
    for (const QPoint& corner : corners) {
        const QImage square =
            surface.copy(QRect(corner, QSize(kCornerSquare, kCornerSquare))).toImage();
        for (int y = 0; y < square.height(); ++y) {
            for (int x = 0; x < square.width(); ++x) {
                if ((square.pixel(x, y) & 0xffffff) == (kKey & 0xffffff)) {
                    shape -= QRegion(corner.x() + x, corner.y() + y, 1, 1);
                }
            }
        }
    }
    return shape;
}

}  // namespace quillet::shell
