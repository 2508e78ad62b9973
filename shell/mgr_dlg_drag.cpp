// Moving and resizing the frameless main window by dragging its own surface. The window
// system does it where it can (it knows the screens, snapping and the other windows); without
// one (offscreen, a bare X server) the window follows the cursor itself.
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QWindow>

#include "shell/mgr_dlg.h"
#include "shell/resize_grip.h"
#include "skin/skin_btn.h"

namespace quillet::shell {
namespace {

constexpr int kTickMs = 20;

WinRect ToWinRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

void CMgrDlg::mousePressEvent(QMouseEvent* event) {
    // Only the window's own surface starts a drag: a press that a child (a page, a group box,
    // the tab strip, a disabled button) left unhandled is handed up as a non-spontaneous copy.
    if (event->button() != Qt::LeftButton || !event->spontaneous()) {
        QWidget::mousePressEvent(event);
        return;
    }
    StartDrag(GripZoneOf(event->position().toPoint(), width(), height()),
              event->position().toPoint());
    event->accept();
}

void CMgrDlg::StartDrag(int zone, QPoint pt) {
    if (zone != kZoneNone && HandToWindowSystem(zone))
        return;
    m_buttonHeld = true;
    m_drag.anchor = pt;
    m_drag.saved = ToWinRect(geometry());
    // The release may land on a child that keeps it: watch every release until then.
    qApp->installEventFilter(this);
    // Inside, the zone decides: move, a corner or, on the border strips, an edge.
    if (zone != kZoneNone) {
        m_dragZone = zone;
        m_dragTimer.start(kTickMs, this);
    }
}

void CMgrDlg::CreateGrips() {
    for (size_t i = 0; i < m_grips.size(); ++i) {
        m_grips[i] = new CResizeGrip(this, GripsOf(width(), height())[i].zone,
                                     [this](int zone, QPoint at) { StartDrag(zone, at); });
        m_grips[i]->raise();  // over the pages
    }
    m_closeBtn->raise();  // the caption's buttons keep their own presses
    m_menuBtn->raise();
    PlaceGrips();
}

void CMgrDlg::PlaceGrips() {
    const auto grips = GripsOf(width(), height());
    for (size_t i = 0; i < m_grips.size(); ++i)
        if (m_grips[i])
            m_grips[i]->setGeometry(grips[i].rect);
}

void CMgrDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double-click on the caption (the surface above the pages) maximises and restores, as
    // a window system's title bar does; the laid-out size stays the smallest.
    const QPoint pt = event->position().toPoint();
    if (event->button() == Qt::LeftButton && event->spontaneous() && pt.y() < PageRect().top() &&
        GripZoneOf(pt, width(), height()) == kZoneMove) {
        EndDrag();
        if (isMaximized())
            showNormal();
        else
            showMaximized();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

bool CMgrDlg::HandToWindowSystem(int zone) {
    QWindow* window = windowHandle();
    if (window == nullptr)
        return false;
    // Either call returns false when the platform cannot do it; the caller then drags itself.
    if (zone == kZoneMove)
        return window->startSystemMove();
    return window->startSystemResize(EdgesOf(zone));
}

void CMgrDlg::EndDrag() {
    m_buttonHeld = false;
    m_dragTimer.stop();
    m_dragZone = 0;
    qApp->removeEventFilter(this);
}

bool CMgrDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        EndDrag();
    return QWidget::eventFilter(watched, event);
}

void CMgrDlg::mouseMoveEvent(QMouseEvent* event) {
    m_drag.saved = ToWinRect(geometry());
    const int zone = GripZoneOf(event->position().toPoint(), width(), height());
    if (zone != kZoneNone) {
        m_hoverZone = zone;
        UpdateCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void CMgrDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        EndDrag();
    QWidget::mouseReleaseEvent(event);
}

void CMgrDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_dragTimer.timerId()) {
        OnDragTick(QCursor::pos());
        return;
    }
    QWidget::timerEvent(event);
}

void CMgrDlg::OnDragTick(QPoint cursor) {
    WinRect placed;
    const bool edge = m_dragZone % 2 == 0;  // edges have the even keypad numbers
    const bool moved =
        edge ? EdgeTick(m_dragZone, cursor, ToWinRect(geometry()), &placed)
             : ResizeTick(m_dragZone, cursor, ToWinRect(geometry()), &m_drag, &placed);
    if (!moved) {
        if (m_dragZone != kZoneMove)
            update();
        return;
    }
    setGeometry(placed.left, placed.top, placed.width(), placed.height());
    if (m_dragZone != kZoneMove) {
        m_drag.saved = ToWinRect(geometry());
        update();
    }
}

void CMgrDlg::UpdateCursor() {
    setCursor(CursorOfZone(m_hoverZone));
}

}  // namespace quillet::shell
