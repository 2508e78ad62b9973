#include "pages/prompts/prompt_fit.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <algorithm>

namespace quillet::pages {
namespace {

constexpr int kMargin = 6;  // kept between the rightmost control and the dialog's edge

bool SameRow(const QRect& a, const QRect& b) {
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

}  // namespace

int TextWidthNeeded(const QWidget* control) {
    const QFontMetrics fm = control->fontMetrics();
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        if (!label->pixmap().isNull() || label->wordWrap())
            return 0;
        return fm.horizontalAdvance(label->text());
    }
    if (auto* box = qobject_cast<const QCheckBox*>(control))
        return box->sizeHint().width();
    if (auto* button = qobject_cast<const QPushButton*>(control))
        return fm.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&'))) + 8;
    return 0;
}

void FitTextsToControls(QWidget* dialog) {
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* c : controls) {
        const int extra = TextWidthNeeded(c) - c->width();
        if (extra <= 0 || c->isHidden())
            continue;
        const QRect was = c->geometry();
        for (QWidget* other : controls) {
            if (other != c && other->x() >= was.right() && SameRow(was, other->geometry()))
                other->move(other->x() + extra, other->y());
        }
        c->resize(was.width() + extra, was.height());
    }
    int right = 0;
    for (const QWidget* c : controls)
        if (!c->isHidden())
            right = std::max(right, c->geometry().right() + 1 + kMargin);
    if (right > dialog->width())
        dialog->setFixedSize(right, dialog->height());
}

}  // namespace quillet::pages
