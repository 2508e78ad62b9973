#include "skin_tab.h"

#include <QMouseEvent>
#include <QPainter>

#include "keyed_picture.h"
#include "ui_kit.h"

namespace quillet::ui {

CSkinTab::CSkinTab(QWidget* parent, int controlId) : QWidget(parent) {
    SetControlId(this, controlId);
    setMouseTracking(true);
    // Parent pixels show between and around the items.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void CSkinTab::SetItemCount(int n) {
    items_.assign(static_cast<size_t>(qMax(0, n)), Item{});
    update();
}

void CSkinTab::SetItemRect(int i, int left, int top, int right, int bottom) {
    if (i < 0 || i >= itemCount()) {
        return;
    }
    items_[i].rect = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    update();
}

void CSkinTab::SetItemBitmaps(int i, int normal, int hover, int selected) {
    if (i < 0 || i >= itemCount()) {
        return;
    }
    items_[i].normal = KeyedBitmap(normal);
    items_[i].hover = KeyedBitmap(hover);
    items_[i].selected = KeyedBitmap(selected);
    update();
}

QRect CSkinTab::itemRect(int i) const {
    return (i >= 0 && i < itemCount()) ? items_[i].rect : QRect();
}

int CSkinTab::HitTest(const QPoint& pt) const {
    for (int i = 0; i < itemCount(); ++i) {
        if (items_[i].rect.contains(pt)) {
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
    p.drawPixmap(item.rect.topLeft(), picture);
    p.restore();
}

void CSkinTab::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Last item first, so a lower index lies on top where rectangles overlap.
    for (int i = itemCount() - 1; i >= 0; --i) {
        const Item& item = items_[i];
        DrawItem(p, item, i == hover_ ? item.hover : item.normal);
    }
    if (selected_ >= 0 && selected_ < itemCount()) {
        DrawItem(p, items_[selected_], items_[selected_].selected);
    }
}

void CSkinTab::mouseMoveEvent(QMouseEvent* event) {
    const int hit = HitTest(event->position().toPoint());
    if (hit != hover_) {
        hover_ = hit;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void CSkinTab::leaveEvent(QEvent* event) {
    if (hover_ != -1) {
        hover_ = -1;
        update();
    }
    QWidget::leaveEvent(event);
}

void CSkinTab::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int hit = HitTest(event->position().toPoint());
        // A click outside every item (hit -1) is ignored, like a click on the selected one.
        if (hit != -1 && hit != selected_) {
            selected_ = hit;
            update();
            QMetaObject::invokeMethod(
                this, [this, hit] { emit pageSelected(hit); }, Qt::QueuedConnection);
        }
    }
    QWidget::mousePressEvent(event);
}

}  // namespace quillet::ui
