#include "pages/common/control_pictures.h"

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace quillet::pages {
namespace {

// The names of U+2400 to U+2426 (the assigned ones), as the pictures spell them.
constexpr const char* kNames[] = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",  "VT",  "FF",
    "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",
    "SUB", "ESC", "FS",  "GS",  "RS",  "US",  "SP",  "DEL", "b/",  "_",   "NL",  "DEL", "SUB"};

bool g_missingForTest = false;

bool IsControlPicture(char16_t c) {
    return c >= kFirstControlPicture && c <= kLastControlPicture;
}

bool LayoutHasAllGlyphs(const QFont& font) {
    QTextLayout probe(QStringLiteral(u"\u2400\u2407\u241B\u2421"), font);
    probe.beginLayout();
    probe.createLine();
    probe.endLayout();
    for (const QGlyphRun& run : probe.glyphRuns())
        for (quint32 glyph : run.glyphIndexes())
            if (glyph == 0)  // .notdef: the empty box
                return false;
    return true;
}

}  // namespace

QString ControlPictureName(char16_t c) {
    const int index = c - kFirstControlPicture;
    if (index < 0 || index >= static_cast<int>(std::size(kNames)))
        return QString();
    return QString::fromLatin1(kNames[index]);
}

bool FontShowsControlPictures(const QFont& font) {
    if (g_missingForTest)
        return false;
    static QHash<QString, bool> checked;
    const QString key = font.key();
    auto it = checked.constFind(key);
    if (it == checked.constEnd())
        it = checked.insert(key, LayoutHasAllGlyphs(font));
    return *it;
}

void SetControlPicturesMissingForTest(bool missing) {
    g_missingForTest = missing;
}

void DrawControlPictureBox(QPainter& painter, const QRectF& cell, char16_t c, const QColor& text,
                           const QColor& background) {
    painter.save();
    painter.fillRect(cell, background);
    const QRectF box = cell.adjusted(0.5, 1.5, -0.5, -1.5);
    painter.setPen(QPen(text, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    // The abbreviation squeezed into the box: a picture to recognise, as the font's would be.
    const QString name = ControlPictureName(c);
    QFont small = painter.font();
    small.setPixelSize(std::max(4, static_cast<int>(box.height() * 0.45)));
    small.setStretch(QFont::ExtraCondensed);
    painter.setFont(small);
    const qreal wide = QFontMetricsF(small).horizontalAdvance(name);
    if (wide > box.width() - 1 && wide > 0) {
        const qreal scale = (box.width() - 1) / wide;
        painter.translate(box.center());
        painter.scale(scale, 1.0);
        painter.translate(-box.center());
    }
    const QRectF wideBox(box.center().x() - wide / 2 - 1, box.top(), wide + 2, box.height());
    painter.drawText(wideBox, Qt::AlignCenter, name);
    painter.restore();
}

void DrawMissingControlPictures(QPainter& painter, const QTextLayout& layout, const QPointF& origin,
                                const QColor& text, const QColor& background) {
    const QString& s = layout.text();
    if (FontShowsControlPictures(layout.font()))
        return;
    for (int i = 0; i < s.size(); ++i) {
        if (!IsControlPicture(s[i].unicode()))
            continue;
        const QTextLine line = layout.lineForTextPosition(i);
        if (!line.isValid())
            continue;
        const qreal x0 = line.cursorToX(i), x1 = line.cursorToX(i + 1);
        const QRectF cell(origin.x() + std::min(x0, x1), origin.y() + line.y(),
                          std::max(1.0, std::abs(x1 - x0)), line.height());
        DrawControlPictureBox(painter, cell, s[i].unicode(), text, background);
    }
}

}  // namespace quillet::pages
