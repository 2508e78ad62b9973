#include "shell/resize_grip.h"

#include <QMouseEvent>

#include "shell/resize_rules.h"

namespace quillet::shell {

CResizeGrip::CResizeGrip(QWidget* parent, int zone, PressHandler onPress)
    : QWidget(parent), m_zone(zone), m_onPress(std::move(onPress)) {
    setObjectName(QStringLiteral("resizeGrip%1").arg(zone));
    setCursor(CursorOfZone(zone));  // paints nothing: the frame and the page show through
}

void CResizeGrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_onPress(m_zone, mapToParent(event->position().toPoint()));
}

Qt::CursorShape CursorOfZone(int zone) {
    switch (zone) {
        case kZoneTopLeft:
        case kZoneBottomRight:
            return Qt::SizeFDiagCursor;
        case kZoneTopRight:
        case kZoneBottomLeft:
            return Qt::SizeBDiagCursor;
        case kZoneLeft:
        case kZoneRight:
            return Qt::SizeHorCursor;
        case kZoneTop:
        case kZoneBottom:
            return Qt::SizeVerCursor;
        default:
            return Qt::ArrowCursor;
    }
}

}  // namespace quillet::shell
