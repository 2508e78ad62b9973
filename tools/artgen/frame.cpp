// Main window frame pieces: exact pixels, since the window's shape is cut from their key pixels.
#include <QPainter>
#include <QRadialGradient>

#include "tools/artgen/art.h"

namespace quillet::art {
namespace {

const QColor kLine(50, 89, 141);
const QColor kLight(216, 238, 251);
const QColor kLightSide(217, 238, 251);
const QColor kFill(36, 139, 204);

void Set(QImage& img, int x, int y, const QColor& c) {
    img.setPixel(x, y, c.rgb());
}

// Top-left corner, 6 x 76, drawn upright; the other corners are mirrors of it.
QImage TopLeft(const QColor& light) {
    QImage img(6, 76, QImage::Format_RGB32);
    img.fill(kFill);
    for (int y = 0; y < 76; ++y) {
        Set(img, 0, y, kLine);
        Set(img, 1, y, light);
    }
    // Rounded corner: key pixels outside, the frame line following the curve.
    const int firstX[4] = {4, 2, 1, 1};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            if (x < firstX[y]) {
                Set(img, x, y, kKey);
            } else if (y == 0 || x == firstX[y] || (y == 1 && x < 4)) {
                Set(img, x, y, kLine);
            } else if (y == 1 || x == firstX[y] + 1 || (y == 2 && x < 4)) {
                Set(img, x, y, light);
            } else {
                Set(img, x, y, kFill);
            }
        }
    }
    return img;
}

QImage TopEdge() {
    QImage img(2, 76, QImage::Format_RGB32);
    img.fill(kFill);
    for (int x = 0; x < 2; ++x) {
        Set(img, x, 0, kLine);
        Set(img, x, 1, kLight);
    }
    return img;
}

QImage SideEdge(bool left) {
    QImage img(2, 88, QImage::Format_RGB32);
    for (int y = 0; y < 88; ++y) {
        Set(img, left ? 0 : 1, y, kLine);
        Set(img, left ? 1 : 0, y, kLightSide);
    }
    return img;
}

// Small blue globe on the caption fill.
QImage Emblem() {
    QImage img(18, 18, QImage::Format_RGB32);
    img.fill(kFill);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient grad(QPointF(6.5, 6), 10);
    grad.setColorAt(0, QColor(200, 236, 255));
    grad.setColorAt(0.5, QColor(70, 160, 230));
    grad.setColorAt(1, QColor(16, 70, 150));
    p.setPen(QPen(QColor(20, 60, 120), 1));
    p.setBrush(grad);
    p.drawEllipse(QRectF(1.5, 1.5, 15, 15));
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5.5, 1.5, 7, 15));
    p.drawLine(QPointF(1.5, 9), QPointF(16.5, 9));
    p.drawLine(QPointF(9, 1.5), QPointF(9, 16.5));
    return img;
}

}  // namespace

void DrawFrame(const Sink& sink) {
    const QImage topLeft = TopLeft(kLightSide);
    sink("bitmap", "224", topLeft);
    sink("bitmap", "222", TopEdge());
    // Top-right: the mirror of the top-left corner without its last column.
    sink("bitmap", "217", TopLeft(kLight).mirrored(true, false).copy(1, 0, 5, 76));
    sink("bitmap", "227", SideEdge(true));
    sink("bitmap", "223", SideEdge(false));
    // Bottom corners: the top-left corner flipped, so its top line becomes the bottom row.
    const QImage bottomLeft = topLeft.mirrored(false, true);
    sink("bitmap", "218", bottomLeft);
    sink("bitmap", "219", bottomLeft.mirrored(true, false));
    sink("bitmap", "284", Emblem());
}

}  // namespace quillet::art
