// Four-state button pictures: normal, hover (yellow rim), pressed (green face), disabled.
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "tools/artgen/art.h"

namespace quillet::art {
namespace {

struct PageButton {
    const char* caption;
    const char* english;
    int width;
    int ids[4];  // normal, hover, pressed, disabled
};

const PageButton kPageButtons[] = {
    {"创建", "Create", 51, {236, 241, 237, 240}},
    {"删除", "Delete", 51, {261, 258, 259, 260}},
    {"断开", "Close", 51, {265, 262, 263, 264}},
    {"连接", "Connect", 51, {245, 242, 243, 244}},
    {"发送", "Send", 51, {257, 254, 255, 256}},
    {"清除已接收信息", "Clear received", 91, {253, 250, 251, 252}},
    {"清除已发送信息", "Clear sent", 91, {249, 246, 247, 248}},
    {"停止监听", "Stop", 51, {269, 266, 267, 268}},
    {"监听", "Listen", 51, {273, 270, 271, 272}},
    {"启动接收", "Receive", 51, {281, 278, 279, 280}},
    {"停止接收", "Stop", 51, {277, 274, 275, 276}},
};

// The largest bold Latin face, 12 pixels at most, that fits `text` into `width` with a margin.
QFont FittingLatin(const QString& text, int width) {
    for (int size = 12; size > 7; --size) {
        const QFont f = LatinFont(size, true);
        if (QFontMetrics(f).horizontalAdvance(text) <= width - 6)
            return f;
    }
    return LatinFont(7, true);
}

QPainterPath Pill(const QRectF& r) {
    QPainterPath path;
    const qreal radius = qMin(r.height() / 2, 9.0);
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath RoundedBox(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QImage PageButtonPicture(const PageButton& b, int state, bool english, int scale) {
    const int h = 24;
    QImage img = KeyedCanvas(b.width * scale, h * scale);
    QPainter p(&img);
    p.scale(scale, scale);
    // Hard edges: the key colour must end exactly where the face begins.
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRectF face(0, 0, b.width - 1, h - 1);

    QColor top(118, 182, 240), bottom(28, 98, 190), rim(22, 66, 140), text(Qt::white);
    if (state == 2) {
        top = QColor(126, 214, 104);
        bottom = QColor(34, 138, 40);
        rim = QColor(20, 96, 24);
    } else if (state == 3) {
        top = QColor(84, 112, 156);
        bottom = QColor(44, 64, 104);
        rim = QColor(34, 48, 80);
        text = QColor(150, 160, 178);
    }
    QLinearGradient grad(0, 0, 0, h);
    grad.setColorAt(0, top);
    grad.setColorAt(1, bottom);
    DrawRimmed(p, Pill(face), rim, grad, scale);
    // A soft gloss over the upper half.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, state == 3 ? 20 : 48));
    p.drawPath(Pill(QRectF(2, 2, b.width - 5, h / 2 - 2)));
    if (state == 1) {
        const QColor hover(255, 214, 0);
        DrawRimmed(p, Pill(face), hover, Qt::NoBrush, scale);
        DrawRimmed(p, Pill(face.adjusted(1, 1, -1, -1)), hover, Qt::NoBrush, scale);
    }

    const QString caption = QString::fromUtf8(english ? b.english : b.caption);
    if (english)
        p.setFont(FittingLatin(caption, b.width));
    else
        p.setFont(CjkFont(caption.size() > 2 ? 11 : 12, caption.size() <= 2));
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setPen(text);
    const QRect textRect = state == 2 ? QRect(1, 1, b.width, h) : QRect(0, 0, b.width, h);
    p.drawText(textRect, Qt::AlignCenter, caption);
    return img;
}

// Close button 16x16: a white cross on an orange square with soft corners.
QImage ClosePicture(int state, int scale) {
    QImage img = KeyedCanvas(16 * scale, 16 * scale);
    QPainter p(&img);
    p.scale(scale, scale);
    QColor top(255, 160, 64), bottom(226, 92, 18), rim(160, 58, 10);
    if (state == 1) {
        top = QColor(255, 204, 120);
        bottom = QColor(255, 128, 40);
        rim = QColor(196, 84, 16);
    } else if (state == 2) {
        top = QColor(176, 36, 20);
        bottom = QColor(120, 12, 8);
        rim = QColor(80, 0, 0);
    }
    QLinearGradient grad(0, 0, 0, 16);
    grad.setColorAt(0, top);
    grad.setColorAt(1, bottom);
    DrawRimmed(p, RoundedBox(QRectF(0, 0, 15, 15), 3), rim, grad, scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
    return img;
}

// Menu button 50x18 on the caption band: a white down triangle and the word 菜单 (or Menu).
QImage MenuPicture(int state, bool english, int scale) {
    QImage img = KeyedCanvas(50 * scale, 18 * scale);
    QPainter p(&img);
    p.scale(scale, scale);
    QColor top(36, 139, 204), bottom(36, 139, 204), rim(36, 139, 204);
    if (state == 1) {
        top = QColor(110, 190, 240);
        bottom = QColor(40, 136, 206);
        rim = QColor(216, 238, 251);
    } else if (state == 2) {
        top = QColor(20, 80, 140);
        bottom = QColor(24, 104, 170);
        rim = QColor(14, 54, 100);
    }
    QLinearGradient grad(0, 0, 0, 18);
    grad.setColorAt(0, top);
    grad.setColorAt(1, bottom);
    DrawRimmed(p, RoundedBox(QRectF(0, 0, 49, 17), 3), rim, grad, scale);
    const int shift = state == 2 ? 1 : 0;
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QPoint tri[3] = {QPoint(6 + shift, 7 + shift), QPoint(14 + shift, 7 + shift),
                           QPoint(10 + shift, 11 + shift)};
    p.drawPolygon(tri, 3);
    p.setPen(Qt::white);
    p.setFont(english ? LatinFont(11, true) : CjkFont(12, true));
    p.drawText(QRect(17 + shift, shift, 31, 18), Qt::AlignCenter,
               english ? QStringLiteral("Menu") : QString::fromUtf8("菜单"));
    return img;
}

}  // namespace

void DrawButtons(const Sink& sink) {
    // Each picture also at twice the size, NAME@2x, for screens scaled by more than 1.
    for (int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        for (const PageButton& b : kPageButtons) {
            for (int state = 0; state < 4; ++state) {
                const QString name = QString::number(b.ids[state]) + suffix;
                sink("bitmap", name, PageButtonPicture(b, state, false, scale));
                sink("bitmap/en", name, PageButtonPicture(b, state, true, scale));
            }
        }
        // The caption buttons reuse the normal picture for the disabled state.
        const char* closeIds[] = {"210", "209", "211"};
        const char* menuIds[] = {"288", "286", "287"};
        for (int state = 0; state < 3; ++state) {
            sink("bitmap", closeIds[state] + suffix, ClosePicture(state, scale));
            sink("bitmap", menuIds[state] + suffix, MenuPicture(state, false, scale));
            sink("bitmap/en", menuIds[state] + suffix, MenuPicture(state, true, scale));
        }
    }
}

}  // namespace quillet::art
