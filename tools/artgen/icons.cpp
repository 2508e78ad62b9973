// Tree icons (16 x 16, transparent background) and the program icon in several sizes.
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include "tools/artgen/art.h"

namespace quillet::art {
namespace {

const QColor kCase(96, 96, 104);
const QColor kBezel(212, 212, 220);
const QColor kGrey(150, 160, 176);
const QColor kBlue(40, 90, 210);
const QColor kGreen(40, 190, 60);

QImage Blank(int size = 16) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

// A monitor whose outer box is w x h at (x, y), with a stand below it.
void Monitor(QPainter& p, int x, int y, int w, int h, const QColor& screen) {
    p.setPen(kCase);
    p.setBrush(kBezel);
    p.drawRect(x, y, w - 1, h - 1);
    p.fillRect(x + 2, y + 2, w - 4, h - 4, screen);
    // Glare in the screen's top-left corner.
    p.fillRect(x + 2, y + 2, 2, 1, screen.lighter(150));
    p.fillRect(x + w / 2 - 1, y + h, 2, 1, kCase);
    p.fillRect(x + w / 2 - 3, y + h + 1, 6, 1, kCase);
}

QImage TwoComputers(bool active) {
    QImage img = Blank();
    QPainter p(&img);
    Monitor(p, 0, 0, 9, 7, active ? kGreen : kGrey);
    Monitor(p, 6, 5, 10, 8, active ? kGreen : kGrey);
    if (active) {
        // Green arrow from the back computer towards the front one.
        p.setPen(QColor(0, 120, 0));
        p.setBrush(QColor(60, 220, 60));
        const QPoint arrow[7] = {QPoint(0, 11), QPoint(3, 11), QPoint(3, 9), QPoint(6, 12),
                                 QPoint(3, 15), QPoint(3, 13), QPoint(0, 13)};
        p.drawPolygon(arrow, 7);
    }
    return img;
}

void LinkBar(QPainter& p) {
    // A short connector bar under the monitor: the connection is up.
    p.fillRect(0, 14, 16, 2, QColor(30, 30, 30));
    p.fillRect(1, 14, 4, 1, QColor(250, 200, 40));
    p.fillRect(11, 14, 4, 1, QColor(250, 200, 40));
}

void Question(QPainter& p) {
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(LatinFont(11, true));
    // White halo first so the mark reads on any screen colour.
    OutlinedText(p, QRectF(8, -1, 8, 12), "?", QColor(220, 0, 0), Qt::white);
}

QImage SingleMonitor(bool open, bool unread) {
    QImage img = Blank();
    QPainter p(&img);
    Monitor(p, 1, 1, 13, 10, open ? kGreen : kBlue);
    if (open) {
        LinkBar(p);
    }
    if (unread) {
        Question(p);
    }
    return img;
}

// Program icon: a globe with two linked plugs, drawn at any size.
QImage ProgramIcon(int size) {
    QImage img = Blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 48.0, size / 48.0);
    QRadialGradient globe(QPointF(18, 16), 26);
    globe.setColorAt(0, QColor(210, 240, 255));
    globe.setColorAt(0.5, QColor(60, 150, 225));
    globe.setColorAt(1, QColor(16, 64, 150));
    p.setPen(QPen(QColor(16, 50, 110), 2));
    p.setBrush(globe);
    p.drawEllipse(QRectF(3, 3, 42, 42));
    p.setPen(QPen(QColor(255, 255, 255, 160), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(14, 3, 20, 42));
    p.drawLine(QPointF(3, 24), QPointF(45, 24));
    // Two sockets joined by a cable: the tool's subject.
    p.setPen(QPen(QColor(250, 200, 40), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 34), QPointF(34, 14));
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(255, 140, 30));
    p.drawRoundedRect(QRectF(6, 30, 12, 12), 3, 3);
    p.drawRoundedRect(QRectF(30, 6, 12, 12), 3, 3);
    return img;
}

}  // namespace

void DrawIcons(const Sink& sink) {
    sink("icon", "136", TwoComputers(false));
    sink("icon", "137", TwoComputers(true));
    sink("icon", "140", SingleMonitor(false, false));
    sink("icon", "142", SingleMonitor(true, false));
    sink("icon", "144", SingleMonitor(false, true));
    sink("icon", "143", SingleMonitor(true, true));
    sink("icon", "293", ProgramIcon(48));
    for (int size : {16, 32, 48}) {
        sink("icon", QStringLiteral("293-%1").arg(size), ProgramIcon(size));
    }
}

}  // namespace quillet::art
