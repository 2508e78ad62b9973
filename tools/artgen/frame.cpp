// Main window frame pieces: exact pixels, since the window's shape is cut from their key pixels.
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

#include "tools/artgen/art.h"

namespace quillet::art {
namespace {

const QColor kLine(50, 89, 141);
const QColor kLight(216, 238, 251);
const QColor kLightSide(217, 238, 251);
const QColor kFill(36, 139, 204);

// The frame is a rounded rectangle of radius 6 whose outermost band of one pixel is the frame
// line and the next the light line. A picture drawn at `scale` samples that shape at the centre
// of each of its pixels, so the larger drawings follow the curve more closely.
constexpr double kRadius = 6;

// How far inside the outline a point of the top-left corner lies (negative: outside).
double Inside(double x, double y) {
    const double dx = std::max(0.0, kRadius - x), dy = std::max(0.0, kRadius - y);
    return kRadius - std::hypot(dx, dy);
}

QRgb Band(double inside, const QColor& light) {
    if (inside < 1)
        return kLine.rgb();
    return (inside < 2 ? light : kFill).rgb();
}

// Top-left corner, 6 x 76, drawn upright; the other corners are mirrors of it. Key pixels are
// whole unscaled pixels at every scale: the window's shape is cut in the window's own pixels.
QImage TopLeft(const QColor& light, int scale) {
    QImage img(6 * scale, 76 * scale, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const double unscaledInside = Inside(x / scale + 0.5, y / scale + 0.5);
            const double inside = Inside((x + 0.5) / scale, (y + 0.5) / scale);
            img.setPixel(x, y, unscaledInside < 0 ? kKey.rgb() : Band(inside, light));
        }
    }
    return img;
}

QImage TopEdge(int scale) {
    QImage img(2 * scale, 76 * scale, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb c = Band((y + 0.5) / scale, kLight);
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, c);
    }
    return img;
}

QImage SideEdge(bool left, int scale) {
    QImage img(2 * scale, 88 * scale, QImage::Format_RGB32);
    for (int x = 0; x < img.width(); ++x) {
        const int fromEdge = left ? x : img.width() - 1 - x;
        const QRgb c = Band((fromEdge + 0.5) / scale, kLightSide);
        for (int y = 0; y < img.height(); ++y)
            img.setPixel(x, y, c);
    }
    return img;
}

// Small blue globe on the caption fill.
QImage Emblem(int scale) {
    QImage img(18 * scale, 18 * scale, QImage::Format_RGB32);
    img.fill(kFill);
    QPainter p(&img);
    p.scale(scale, scale);
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
    // Each piece also at twice the size, NAME@2x, for screens scaled by more than 1.
    for (int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        const QImage topLeft = TopLeft(kLightSide, scale);
        sink("bitmap", "224" + suffix, topLeft);
        sink("bitmap", "222" + suffix, TopEdge(scale));
        // Top-right: the mirror of the top-left corner without its last column.
        sink("bitmap", "217" + suffix,
             TopLeft(kLight, scale).mirrored(true, false).copy(scale, 0, 5 * scale, 76 * scale));
        sink("bitmap", "227" + suffix, SideEdge(true, scale));
        sink("bitmap", "223" + suffix, SideEdge(false, scale));
        // Bottom corners: the top-left corner flipped, so its top line becomes the bottom row.
        const QImage bottomLeft = topLeft.mirrored(false, true);
        sink("bitmap", "218" + suffix, bottomLeft);
        sink("bitmap", "219" + suffix, bottomLeft.mirrored(true, false));
        sink("bitmap", "284" + suffix, Emblem(scale));
    }
}

}  // namespace quillet::art
