#include "skin/office_xp_metrics.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>

#include <algorithm>

#include "skin/ui_kit.h"

namespace quillet::ui::xp {
namespace {

int g_styleWhenFaceIsMenu = 1;
int g_styleOtherwise = 1;

}  // namespace

QFont MenuFont() {
    return SongFont(9);
}

int MenuBarHeight() {
    // A menu bar holds one line of the menu font with two pixels above and below.
    return QFontMetrics(MenuFont()).height() + 4;
}

QSize MeasureItem(const QString& text, bool separator) {
    if (separator) {
        return QSize(0, MenuBarHeight() / 2);
    }
    const int textWidth = QFontMetrics(MenuFont()).horizontalAdvance(text);
    return QSize(textWidth + 2 * kImageWidth + 1, std::max(MenuBarHeight(), kImageHeight + 4));
}

QColor Lighten(const QColor& c, double f) {
    auto channel = [f](int v) { return static_cast<int>(v + f * (255 - v)); };
    return QColor(channel(c.red()), channel(c.green()), channel(c.blue()));
}

void SetDrawStyle(int whenFaceIsMenu, int otherwise) {
    g_styleWhenFaceIsMenu = whenFaceIsMenu;
    g_styleOtherwise = otherwise;
}

int DrawStyle() {
    // Qt draws buttons and menus from one palette, so the face equals the menu colour when
    // the palette's Button and Window roles agree.
    const QPalette pal = QApplication::palette("QMenu");
    return pal.color(QPalette::Button) == pal.color(QPalette::Window) ? g_styleWhenFaceIsMenu
                                                                      : g_styleOtherwise;
}

}  // namespace quillet::ui::xp
