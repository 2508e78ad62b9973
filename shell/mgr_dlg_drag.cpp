// Moving and resizing the frameless main window by dragging its own surface.
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTimerEvent>

#include "shell/mgr_dlg.h"

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
    const QPoint pt = event->position().toPoint();
    m_buttonHeld = true;
    m_drag.anchor = pt;
    m_drag.saved = ToWinRect(geometry());
    // The release may land on a child that keeps it: watch every release until then.
    qApp->installEventFilter(this);
    // A press in a border strip starts nothing; inside, the zone decides: move or a corner.
    const int zone = ZoneOf(pt, width(), height());
    if (zone != kZoneNone) {
        m_dragZone = zone;
        m_dragTimer.start(kTickMs, this);
    }
    event->accept();
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
    const int zone = ZoneOf(event->position().toPoint(), width(), height());
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
    if (!ResizeTick(m_dragZone, cursor, ToWinRect(geometry()), &m_drag, &placed)) {
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
    switch (m_hoverZone) {
        case kZoneTopLeft:
        case kZoneBottomRight:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case kZoneTopRight:
        case kZoneBottomLeft:
            setCursor(Qt::SizeBDiagCursor);
            break;
        default:
            setCursor(Qt::ArrowCursor);
            break;
    }
}

}  // namespace quillet::shell
