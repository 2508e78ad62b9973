#include "skin/skin_tab.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "skin/crisp_lines.h"
#include "skin/keyed_picture.h"
#include "skin/skin_tab_accessible.h"
#include "skin/ui_kit.h"

namespace quillet::ui {

CSkinTab::CSkinTab(QWidget* parent, int controlId) : QWidget(parent) {
    SetControlId(this, controlId);
    InstallSkinTabAccessibility();
    setMouseTracking(true);
    // Parent pixels show between and around the items.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void CSkinTab::SetItemCount(int n) {
    m_items.assign(static_cast<size_t>(qMax(0, n)), Item{});
    update();
}

void CSkinTab::SetItemRect(int i, int left, int top, int right, int bottom) {
    if (i < 0 || i >= itemCount()) {
        return;
    }
    m_items[i].rect = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    update();
}

void CSkinTab::SetItemBitmaps(int i, int normal, int hover, int selected) {
    if (i < 0 || i >= itemCount()) {
        return;
    }
    m_items[i].normal = KeyedBitmap(normal);
    m_items[i].hover = KeyedBitmap(hover);
    m_items[i].selected = KeyedBitmap(selected);
    update();
}

void CSkinTab::SetItemText(int i, const QString& name, const QString& toolTip) {
    if (i < 0 || i >= itemCount()) {
        return;
    }
    m_items[i].name = name;
    m_items[i].toolTip = toolTip;
}

QString CSkinTab::itemName(int i) const {
    return (i >= 0 && i < itemCount()) ? m_items[i].name : QString();
}

QString CSkinTab::itemToolTip(int i) const {
    return (i >= 0 && i < itemCount()) ? m_items[i].toolTip : QString();
}

void CSkinTab::SelectItem(int i) {
    if (i < 0 || i >= itemCount() || i == m_selected) {
        return;
    }
    m_selected = i;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent news(this, QAccessible::Selection);
        news.setChild(i);
        QAccessible::updateAccessibility(&news);
    }
    QMetaObject::invokeMethod(
        this, [this, i] { emit pageSelected(i); }, Qt::QueuedConnection);
}

bool CSkinTab::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int hit = HitTest(help->pos());
        const QString tip = itemToolTip(hit);
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this, itemRect(hit));
        }
        return true;
    }
    return QWidget::event(event);
}

QRect CSkinTab::itemRect(int i) const {
    return (i >= 0 && i < itemCount()) ? m_items[i].rect : QRect();
}

int CSkinTab::HitTest(const QPoint& pt) const {
    for (int i = 0; i < itemCount(); ++i) {
        if (m_items[i].rect.contains(pt)) {
            return i;
        }
    }
    return -1;
}

void CSkinTab::DrawItem(QPainter& p, const Item& item, const QPixmap& picture) const {
    if (picture.isNull()) {
        return;
    }
    // Clipped to the item's rectangle extended by 4 pixels downwards.
    p.save();
    p.setClipRect(item.rect.adjusted(0, 0, 0, 4));
    DrawPicture(p, item.rect.topLeft(), picture);
    p.restore();
}

void CSkinTab::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Last item first, so a lower index lies on top where rectangles overlap.
    for (int i = itemCount() - 1; i >= 0; --i) {
        const Item& item = m_items[i];
        DrawItem(p, item, i == m_hover ? item.hover : item.normal);
    }
    if (m_selected >= 0 && m_selected < itemCount()) {
        DrawItem(p, m_items[m_selected], m_items[m_selected].selected);
    }
}

void CSkinTab::mouseMoveEvent(QMouseEvent* event) {
    const int hit = HitTest(event->position().toPoint());
    if (hit != m_hover) {
        m_hover = hit;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void CSkinTab::leaveEvent(QEvent* event) {
    if (m_hover != -1) {
        m_hover = -1;
        update();
    }
    QWidget::leaveEvent(event);
}

void CSkinTab::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // A click outside every item (hit -1) is ignored, like a click on the selected one.
        SelectItem(HitTest(event->position().toPoint()));
    }
    QWidget::mousePressEvent(event);
}

}  // namespace quillet::ui
