#include "shell/frame_painter.h"

#include <QImage>
#include <QPainter>

#include "skin/crisp_lines.h"
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

void Tile(QPainter& p, const QRectF& area, const QPixmap& picture) {
    if (picture.isNull())
        return;
    const QSizeF step = picture.deviceIndependentSize();
    for (qreal y = area.top(); y < area.top() + area.height(); y += step.height()) {
        for (qreal x = area.left(); x < area.left() + area.width(); x += step.width()) {
            ui::DrawPicture(p, QPointF(x, y), picture);
        }
    }
}

namespace {

QSizeF Logical(const QPixmap& picture) {
    return picture.deviceIndependentSize();
}

// The device pixel under the centre of pixel `i` of `logical` ones, counted from the nearer
// end: the right and bottom pieces are laid from the surface's last device pixel.
int DevicePixel(int i, int logical, int device, qreal ratio) {
    if (2 * i < logical)
        return qMin(device - 1, int((i + 0.5) * ratio));
    return qMax(0, device - 1 - int((logical - 1 - i + 0.5) * ratio));
}

}  // namespace

QPixmap ComposeFrame(const QSize& size, const FramePictures& pics, const QString& title,
                     const QFont& titleFont, const std::vector<Overlay>& overlays, qreal ratio) {
    QPixmap surface(QSize(qRound(size.width() * ratio), qRound(size.height() * ratio)));
    surface.setDevicePixelRatio(ratio);
    // The surface's extent in the window's pixels: the window size plus at most a fraction.
    const QSizeF extent = surface.deviceIndependentSize();
    const qreal cx = extent.width(), cy = extent.height();
    QPainter p(&surface);
    p.fillRect(QRectF(0, 0, cx, cy), Qt::white);
    // Filled, not stroked: the bottom line stays whole on screens scaled by a fraction.
    ui::FrameRect(p, QRectF(0, 0, cx, cy), Qt::black);

    const QSizeF tl = Logical(pics.topLeft), tr = Logical(pics.topRight);
    const QSizeF bl = Logical(pics.bottomLeft), br = Logical(pics.bottomRight);
    const QSizeF right = Logical(pics.right);
    ui::DrawPicture(p, QPointF(0, 0), pics.topLeft);
    Tile(p, QRectF(tl.width(), 0, cx - tr.width() - tl.width(), Logical(pics.top).height()),
         pics.top);
    ui::DrawPicture(p, QPointF(cx - tr.width(), 0), pics.topRight);
    Tile(p, QRectF(0, tl.height(), Logical(pics.left).width(), cy - bl.height() - tl.height()),
         pics.left);
    Tile(p, QRectF(cx - right.width(), tr.height(), right.width(), cy - br.height() - tr.height()),
         pics.right);
    ui::DrawPicture(p, QPointF(0, cy - bl.height()), pics.bottomLeft);
    ui::DrawPicture(p, QPointF(cx - br.width(), cy - br.height()), pics.bottomRight);
    // The emblem's area ends at its own size, so with an 18 × 18 picture this is one copy.
    const QSizeF caption = Logical(pics.caption);
    Tile(p, QRectF(8, 8, caption.width() - 8, caption.height() - 8), pics.caption);

    p.setFont(titleFont);
    p.setPen(kTitleColour);
    p.drawText(QRect(QPoint(28, 8), QPoint(227, 23)), Qt::AlignCenter | Qt::TextSingleLine, title);
    for (const Overlay& o : overlays)
        ui::DrawPicture(p, o.at, ui::KeyOut(o.picture));
    return surface;
}

QRegion ShapeOf(const QPixmap& surface) {
    const qreal ratio = surface.devicePixelRatio();
    const QImage image = surface.toImage();
    const int cx = qRound(surface.width() / ratio), cy = qRound(surface.height() / ratio);
    QRegion shape(0, 0, cx, cy);
    const QPoint corners[] = {{0, 0},
                              {cx - kCornerSquare, 0},
                              {0, cy - kCornerSquare},
                              {cx - kCornerSquare, cy - kCornerSquare}};
    for (const QPoint& corner : corners) {
        for (int y = corner.y(); y < corner.y() + kCornerSquare; ++y) {
            for (int x = corner.x(); x < corner.x() + kCornerSquare; ++x) {
                const QRgb c = image.pixel(DevicePixel(x, cx, image.width(), ratio),
                                           DevicePixel(y, cy, image.height(), ratio));
                if ((c & 0xffffff) == (kKey & 0xffffff))
                    shape -= QRegion(x, y, 1, 1);
            }
        }
    }
    return shape;
}

}  // namespace quillet::shell
