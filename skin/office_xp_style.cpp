#include "skin/office_xp_style.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include "skin/crisp_lines.h"
#include "skin/office_xp_metrics.h"

namespace quillet::ui {
namespace {

namespace M = xp;

struct Colors {
    QColor bar = M::kBarColor;
    QColor menu;
    QColor frame = M::kFrameColor;
    QColor fill = M::kFillColor;
    QColor text;
    QColor grey;
};

Colors CurrentColors(const QPalette& pal) {
    Colors c;
    c.menu = pal.color(QPalette::Active, QPalette::Window);
    c.text = pal.color(QPalette::Active, QPalette::WindowText);
    c.grey = pal.color(QPalette::Disabled, QPalette::WindowText);
    // A menu that already has the bar's colour gets a lighter bar and a white body.
    if (c.menu.rgb() == c.bar.rgb()) {
        c.bar = M::Lighten(c.bar, 0.35);
        c.menu = Qt::white;
        c.fill = M::Lighten(c.frame, 0.85);
        c.grey = M::Lighten(c.grey, 0.55);
    }
    return c;
}

bool Flat(const QPalette& pal) {
    (void)pal;
    return M::DrawStyle() == 1;
}

}  // namespace

OfficeXPStyle::OfficeXPStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

OfficeXPStyle* OfficeXPStyle::Instance() {
    // Owned by the application so it outlives every menu.
    static OfficeXPStyle* style = [] {
        auto* s = new OfficeXPStyle;
        s->setParent(qApp);
        return s;
    }();
    return style;
}

QSize OfficeXPStyle::sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& size,
                                      const QWidget* w) const {
    if (type == CT_MenuItem) {
        if (const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt)) {
            QSize s = M::MeasureItem(mi->text, mi->menuItemType == QStyleOptionMenuItem::Separator);
            // Qt drops items of width 0; the column width stretches a separator anyway.
            return QSize(qMax(1, s.width()), s.height());
        }
    }
    return QProxyStyle::sizeFromContents(type, opt, size, w);
}

int OfficeXPStyle::pixelMetric(PixelMetric m, const QStyleOption* opt, const QWidget* w) const {
    switch (m) {
        case PM_MenuPanelWidth:
            return 1;
        case PM_MenuHMargin:
        case PM_MenuVMargin:
        case PM_MenuDesktopFrameWidth:
            return 0;
        default:
            return QProxyStyle::pixelMetric(m, opt, w);
    }
}

void OfficeXPStyle::drawPrimitive(PrimitiveElement el, const QStyleOption* opt, QPainter* p,
                                  const QWidget* w) const {
    if (el == PE_PanelMenu || el == PE_FrameMenu) {
        const Colors c = CurrentColors(opt->palette);
        if (el == PE_PanelMenu) {
            p->fillRect(opt->rect, c.menu);
        }
        FrameRect(*p, opt->rect, QColor(128, 128, 128));
        return;
    }
    QProxyStyle::drawPrimitive(el, opt, p, w);
}

void OfficeXPStyle::drawControl(ControlElement el, const QStyleOption* opt, QPainter* p,
                                const QWidget* w) const {
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
    if (el != CE_MenuItem || mi == nullptr || !Flat(opt->palette)) {
        QProxyStyle::drawControl(el, opt, p, w);
        return;
    }
    const Colors c = CurrentColors(opt->palette);
    const QRect r = mi->rect;
    const QRect bar(r.left(), r.top(), M::kImageWidth + 5, r.height());
    p->save();
    if (mi->menuItemType == QStyleOptionMenuItem::Separator) {
        p->fillRect(r, c.menu);
        const int y = r.top() + r.height() / 2;
        HLine(*p, bar.right() + 1 + 4, r.right(), y, opt->palette.color(QPalette::Dark));
        HLine(*p, bar.right() + 1 + 4, r.right(), y + 1, opt->palette.color(QPalette::Light));
        p->fillRect(bar, c.bar);
        p->restore();
        return;
    }
    const bool selected = (mi->state & State_Selected) && (mi->state & State_Enabled);
    if (selected) {
        p->fillRect(r, c.fill);
        FrameRect(*p, r, c.frame);
    } else {
        p->fillRect(r, c.menu);
        p->fillRect(bar, c.bar);
    }
    // Text from image width + 9, one pixel high: the glyphs then sit centred in the highlight
    // frame rather than on its lower edge.
    const int left = r.left() + M::kImageWidth + 9;
    const QRect textRect(left, r.top() - 1, r.right() + 1 - left, r.height());
    p->setFont(M::MenuFont());
    p->setPen((mi->state & State_Enabled) ? c.text : c.grey);
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    const QString& text = mi->text;
    const int firstTab = text.indexOf('\t');
    p->drawText(textRect, flags | Qt::AlignLeft, firstTab < 0 ? text : text.left(firstTab));
    if (firstTab >= 0) {
        const QString tail = text.mid(text.lastIndexOf('\t') + 1);
        p->drawText(textRect.adjusted(0, 0, -M::kImageWidth, 0), flags | Qt::AlignRight, tail);
    }
    p->restore();
}

}  // namespace quillet::ui
