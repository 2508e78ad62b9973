#pragma once
// Pixel helpers for the skin tests: what a keyed picture looks like over a plain background.
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "skin/keyed_picture.h"

namespace quillet::test {

// `picture` drawn over `bg` with its key pixels transparent.
inline QImage OverBackground(const QPixmap& picture, const QColor& bg) {
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(bg);
    QPainter p(&out);
    p.drawPixmap(0, 0, ui::KeyOut(picture));
    return out;
}

inline QImage Rgb32(const QImage& img) {
    return img.convertToFormat(QImage::Format_RGB32);
}

}  // namespace quillet::test
