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
    // The case's outline filled, not stroked: a scaled stroke straddles the pixel edges and
    // would stand half a pixel off the screen at twice the size.
    p.fillRect(x, y, w, h, kCase);
    p.fillRect(x + 1, y + 1, w - 2, h - 2, kBezel);
    p.fillRect(x + 2, y + 2, w - 4, h - 4, screen);
    // Glare in the screen's top-left corner.
    p.fillRect(x + 2, y + 2, 2, 1, screen.lighter(150));
    p.fillRect(x + w / 2 - 1, y + h, 2, 1, kCase);
    p.fillRect(x + w / 2 - 3, y + h + 1, 6, 1, kCase);
}

QImage TwoComputers(bool active, int scale) {
    QImage img = Blank(16 * scale);
    QPainter p(&img);
    p.scale(scale, scale);
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

QImage SingleMonitor(bool open, bool unread, int scale) {
    QImage img = Blank(16 * scale);
    QPainter p(&img);
    p.scale(scale, scale);
    Monitor(p, 1, 1, 13, 10, open ? kGreen : kBlue);
    if (open) {
        LinkBar(p);
    }
    if (unread) {
        Question(p);
    }
    return img;
}

// Program icon: a globe with two linked plugs, designed on a 48-unit square and drawn at any
// size. The same figures make the SVG below, so both show one drawing.
constexpr double kIconUnits = 48;
const QColor kGlobeLight(210, 240, 255), kGlobeMid(60, 150, 225), kGlobeDark(16, 64, 150);
const QColor kGlobeRim(16, 50, 110), kMeridian(255, 255, 255, 160);
const QColor kCable(250, 200, 40), kPlugEdge(40, 40, 40), kPlug(255, 140, 30);

QImage ProgramIcon(int size) {
    QImage img = Blank(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / kIconUnits, size / kIconUnits);
    QRadialGradient globe(QPointF(18, 16), 26);
    globe.setColorAt(0, kGlobeLight);
    globe.setColorAt(0.5, kGlobeMid);
    globe.setColorAt(1, kGlobeDark);
    p.setPen(QPen(kGlobeRim, 2));
    p.setBrush(globe);
    p.drawEllipse(QRectF(3, 3, 42, 42));
    p.setPen(QPen(kMeridian, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(14, 3, 20, 42));
    p.drawLine(QPointF(3, 24), QPointF(45, 24));
    // Two sockets joined by a cable: the tool's subject.
    p.setPen(QPen(kCable, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 34), QPointF(34, 14));
    p.setPen(QPen(kPlugEdge, 1.5));
    p.setBrush(kPlug);
    p.drawRoundedRect(QRectF(6, 30, 12, 12), 3, 3);
    p.drawRoundedRect(QRectF(30, 6, 12, 12), 3, 3);
    return img;
}

QString Rgb(const QColor& c) {
    return c.name(QColor::HexRgb);
}

QByteArray ProgramIconSvg() {
    const QString svg =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" "
            "viewBox=\"0 0 48 48\">\n"
            "  <title>Quillet</title>\n"
            "  <defs>\n"
            "    <radialGradient id=\"globe\" gradientUnits=\"userSpaceOnUse\" cx=\"18\" "
            "cy=\"16\" r=\"26\">\n"
            "      <stop offset=\"0\" stop-color=\"%1\"/>\n"
            "      <stop offset=\"0.5\" stop-color=\"%2\"/>\n"
            "      <stop offset=\"1\" stop-color=\"%3\"/>\n"
            "    </radialGradient>\n"
            "  </defs>\n"
            "  <circle cx=\"24\" cy=\"24\" r=\"21\" fill=\"url(#globe)\" stroke=\"%4\" "
            "stroke-width=\"2\"/>\n"
            "  <g fill=\"none\" stroke=\"%5\" stroke-opacity=\"%6\" stroke-width=\"2\">\n"
            "    <ellipse cx=\"24\" cy=\"24\" rx=\"10\" ry=\"21\"/>\n"
            "    <line x1=\"3\" y1=\"24\" x2=\"45\" y2=\"24\"/>\n"
            "  </g>\n"
            "  <line x1=\"14\" y1=\"34\" x2=\"34\" y2=\"14\" stroke=\"%7\" "
            "stroke-width=\"4\" stroke-linecap=\"round\"/>\n"
            "  <g fill=\"%8\" stroke=\"%9\" stroke-width=\"1.5\">\n"
            "    <rect x=\"6\" y=\"30\" width=\"12\" height=\"12\" rx=\"3\"/>\n"
            "    <rect x=\"30\" y=\"6\" width=\"12\" height=\"12\" rx=\"3\"/>\n"
            "  </g>\n"
            "</svg>\n")
            .arg(Rgb(kGlobeLight), Rgb(kGlobeMid), Rgb(kGlobeDark), Rgb(kGlobeRim), Rgb(kMeridian),
                 QString::number(kMeridian.alphaF(), 'f', 3), Rgb(kCable), Rgb(kPlug),
                 Rgb(kPlugEdge));
    return svg.toUtf8();
}

}  // namespace

void DrawIcons(const Sink& sink) {
    // The tree icons also at twice the size, NAME@2x, which QIcon picks on scaled screens.
    for (int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QString() : QStringLiteral("@2x");
        sink("icon", "136" + suffix, TwoComputers(false, scale));
        sink("icon", "137" + suffix, TwoComputers(true, scale));
        sink("icon", "140" + suffix, SingleMonitor(false, false, scale));
        sink("icon", "142" + suffix, SingleMonitor(true, false, scale));
        sink("icon", "144" + suffix, SingleMonitor(false, true, scale));
        sink("icon", "143" + suffix, SingleMonitor(true, true, scale));
    }
    sink("icon", "293", ProgramIcon(48));
    for (int size : {16, 32, 48}) {
        sink("icon", QStringLiteral("293-%1").arg(size), ProgramIcon(size));
    }
}

void DrawDesktopIcons(const Sink& sink, const FileSink& files) {
    for (int size : {64, 128, 256}) {
        sink("desktop", QStringLiteral("quillet-%1").arg(size), ProgramIcon(size));
    }
    files("desktop", "quillet.svg", ProgramIconSvg());
}

}  // namespace quillet::art
