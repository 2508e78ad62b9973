// Protocol tab pictures, 70 x 45: normal, hover and selected looks for each of the seven tabs.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "tools/artgen/art.h"

namespace quillet::art {
namespace {

struct Tab {
    const char* protocol;
    const char* role;
    const char* roleCjk;
    int normal, hover, selected;
};

const Tab kTabs[] = {
    {"TCP", "Server", "服务器", 306, 305, 307},
    {"TCP", "Client", "客户端", 302, 304, 303},
    {"UDP", "Server", "服务器", 296, 297, 298},
    {"UDP", "Client", "客户端", 301, 300, 299},
    {"UDP", "Broadcast", "广播", 314, 315, 1},
    {"MultiCast", "Create", "创建组", 311, 319, 313},
    {"MultiCast", "Join", "加入组", 308, 309, 310},
};

constexpr int kW = 70;
constexpr int kH = 45;

QImage Face(const QColor& top, const QColor& middle, const QColor& bottom, const QColor& rim,
            int scale) {
    QImage img = KeyedCanvas(kW * scale, kH * scale);
    QPainter p(&img);
    p.scale(scale, scale);
    QLinearGradient grad(0, 0, 0, kH);
    grad.setColorAt(0, top);
    grad.setColorAt(0.5, middle);
    grad.setColorAt(1, bottom);
    // Rounded top corners, key-coloured outside; the bottom edge runs off the picture.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, kW - 1, kH + 8), 4, 4);
    DrawRimmed(p, outline, rim, grad, scale);
    return img;
}

QImage TabPicture(const Tab& t, int look, bool english, int scale) {
    QImage img;
    if (look == 0) {
        img = Face(QColor(91, 168, 217), QColor(180, 215, 238), QColor(150, 200, 232),
                   QColor(60, 120, 180), scale);
    } else if (look == 1) {
        img = Face(QColor(40, 110, 176), QColor(110, 170, 214), QColor(84, 150, 204),
                   QColor(30, 80, 140), scale);
    } else {
        img = Face(QColor(36, 139, 204), QColor(26, 110, 186), QColor(20, 92, 166),
                   QColor(16, 60, 120), scale);
    }
    QPainter p(&img);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (look == 2) {
        // A light diagonal sheen across the upper-left corner.
        QLinearGradient sheen(0, 0, 30, 30);
        sheen.setColorAt(0, QColor(255, 255, 255, 150));
        sheen.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(sheen);
        const QPointF tri[3] = {QPointF(1, 1), QPointF(44, 1), QPointF(1, 30)};
        p.drawPolygon(tri, 3);
    }
    const QString protocol = QString::fromLatin1(t.protocol);
    p.setFont(LatinFont(protocol.size() > 3 ? 11 : 13, true));
    OutlinedText(p, QRectF(0, 5, kW, 16), protocol, Qt::white, QColor(20, 60, 120));

    const QRectF second(0, 24, kW, 16);
    if (look == 2 && english) {
        const QString role = QString::fromLatin1(t.role);
        p.setFont(LatinFont(role.size() > 6 ? 10 : 12, true));
        OutlinedText(p, second, role, QColor(255, 232, 0), QColor(16, 60, 120));
    } else if (look == 2) {
        p.setFont(CjkFont(13, true));
        OutlinedText(p, second, QString::fromUtf8(t.roleCjk), QColor(255, 232, 0),
                     QColor(16, 60, 120));
    } else {
        const QString role = QString::fromLatin1(t.role);
        p.setFont(LatinFont(role.size() > 6 ? 10 : 12, true, true));
        p.setPen(look == 0 ? QColor(0, 128, 0) : QColor(220, 20, 20));
        p.drawText(second, Qt::AlignCenter, role);
    }
    return img;
}

}  // namespace

void DrawTabs(const Sink& sink) {
    // Each picture also at twice the size, NAME@2x, for screens scaled by more than 1.
    for (int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        for (const Tab& t : kTabs) {
            sink("bitmap", QString::number(t.normal) + suffix, TabPicture(t, 0, false, scale));
            sink("bitmap", QString::number(t.hover) + suffix, TabPicture(t, 1, false, scale));
            sink("bitmap", QString::number(t.selected) + suffix, TabPicture(t, 2, false, scale));
            // Only the selected look carries Chinese words; the others are English already.
            sink("bitmap/en", QString::number(t.selected) + suffix, TabPicture(t, 2, true, scale));
        }
    }
}

}  // namespace quillet::art
