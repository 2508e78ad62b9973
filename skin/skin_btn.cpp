#include "skin/skin_btn.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include "skin/crisp_lines.h"
#include "skin/keyed_picture.h"
#include "skin/picture_captions.h"
#include "skin/ui_kit.h"

namespace quillet::ui {

CSkinBtn::CSkinBtn(QWidget* parent, int id, const QRect& rect) : QAbstractButton(parent), m_id(id) {
    SetControlId(this, id);
    setGeometry(rect);
    setMouseTracking(true);
    // Key-coloured pixels show whatever the parent painted beneath the button.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    connect(this, &QAbstractButton::clicked, this, [this] { emit clicked(m_id); });
    connect(this, &QAbstractButton::pressed, this, [this] { update(); });
    connect(this, &QAbstractButton::released, this, [this] { update(); });
}

CSkinBtn* CSkinBtn::Create(QWidget* parent, int id, const QRect& rect,
                           const std::array<int, 4>& bitmaps) {
    auto* btn = new CSkinBtn(parent, id, rect);
    btn->SetBitmaps(bitmaps[0], bitmaps[1], bitmaps[2], bitmaps[3]);
    btn->show();
    return btn;
}

void CSkinBtn::SetBitmaps(int normal, int hover, int pressed, int disabled) {
    const int ids[4] = {normal, hover, pressed, disabled};
    for (int i = 0; i < 4; ++i) {
        m_pictures[i] = Bitmap(ids[i]);
        m_keyed[i] = KeyOut(m_pictures[i]);
    }
    if (const QString caption = ButtonCaption(normal); !caption.isEmpty()) {
        setAccessibleName(caption);
        setToolTip(caption);
    }
    update();
}

int CSkinBtn::state() const {
    if (!isEnabled()) {
        return kDisabled;
    }
    if (isDown()) {
        return kPressed;
    }
    return m_hovering ? kHover : kNormal;
}

QSize CSkinBtn::sizeHint() const {
    return m_pictures[kNormal].isNull() ? QSize(51, 24)
                                        : m_pictures[kNormal].deviceIndependentSize().toSize();
}

void CSkinBtn::paintEvent(QPaintEvent*) {
    const QPixmap& picture = m_keyed[state()];
    if (picture.isNull()) {
        return;  // an empty slot leaves only the parent's pixels
    }
    QPainter p(this);
    DrawPicture(p, QPointF(0, 0), picture);
    if (focusShown()) {
        // Dotted, inside the picture's rounded corners, in white to read on the blue faces.
        const int inset = qMin(width(), height()) >= 20 ? 3 : 1;
        DottedFrameRect(p, rect().adjusted(inset, inset, -inset, -inset), Qt::white);
    }
}

void CSkinBtn::focusInEvent(QFocusEvent* event) {
    switch (event->reason()) {
        case Qt::MouseFocusReason:
        case Qt::PopupFocusReason:
        case Qt::MenuBarFocusReason:
            m_focusFromKeyboard = false;
            break;
        case Qt::ActiveWindowFocusReason:
            break;  // back to the window: as it was
        default:
            m_focusFromKeyboard = true;
            break;
    }
    update();
    QAbstractButton::focusInEvent(event);
}

void CSkinBtn::focusOutEvent(QFocusEvent* event) {
    update();
    QAbstractButton::focusOutEvent(event);
}

void CSkinBtn::keyPressEvent(QKeyEvent* event) {
    if (!m_focusFromKeyboard) {
        m_focusFromKeyboard = true;
        update();
    }
    QAbstractButton::keyPressEvent(event);
}

void CSkinBtn::SetHovering(bool on) {
    if (m_hovering != on) {
        m_hovering = on;
        update();
    }
}

void CSkinBtn::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        SetHovering(true);
    }
    QAbstractButton::enterEvent(event);
}

void CSkinBtn::leaveEvent(QEvent* event) {
    SetHovering(false);
    QAbstractButton::leaveEvent(event);
}

void CSkinBtn::mouseMoveEvent(QMouseEvent* event) {
    // Movement inside after an enter that was missed (for example while another widget held
    // the mouse) still shows the hover picture.
    if (isEnabled() && rect().contains(event->position().toPoint())) {
        SetHovering(true);
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CSkinBtn::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        // A disabled button ignores hover; re-enabling starts from the normal picture.
        m_hovering = false;
        update();
    }
    QAbstractButton::changeEvent(event);
}

}  // namespace quillet::ui
