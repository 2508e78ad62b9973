#include "tools/artgen/art.h"

#include <QPainter>

namespace quillet::art {
namespace {

QFont Base(const QString& family, int pixelSize) {
    QFont f(family);
    f.setPixelSize(pixelSize);
    // Full hinting snaps stems to the pixel grid: small labels stay crisp.
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoSubpixelAntialias | QFont::NoFontMerging));
    return f;
}

}  // namespace

QFont CjkFont(int pixelSize, bool bold) {
    QFont f = Base("WenQuanYi Micro Hei", pixelSize);
    f.setBold(bold);
    return f;
}

QFont LatinFont(int pixelSize, bool bold, bool italic) {
    QFont f = Base("DejaVu Sans", pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QImage KeyedCanvas(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kKey);
    return img;
}

void DrawRimmed(QPainter& p, const QPainterPath& outline, const QColor& rim, const QBrush& face,
                int scale) {
    if (scale == 1) {
        p.setPen(rim);
        p.setBrush(face);
        p.drawPath(outline);
        return;
    }
    p.save();
    p.translate(0.5, 0.5);
    QBrush shifted = face;
    shifted.setTransform(shifted.transform() * QTransform::fromTranslate(-0.5, -0.5));
    p.setPen(QPen(rim, 1));
    p.setBrush(shifted);
    p.drawPath(outline);
    p.restore();
}

void OutlinedText(QPainter& p, const QRectF& rect, const QString& text, const QColor& fill,
                  const QColor& outline) {
    p.setPen(outline);
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx != 0 || dy != 0) {
                p.drawText(rect.translated(dx, dy), Qt::AlignCenter, text);
            }
        }
    }
    p.setPen(fill);
    p.drawText(rect, Qt::AlignCenter, text);
}

}  // namespace quillet::art
