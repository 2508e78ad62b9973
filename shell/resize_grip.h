#pragma once
// An invisible strip along an edge of the main window that starts a resize when pressed. The
// grips lie over the pages, so the edges and corners can be gripped even where a page reaches
// close to the window's edge.
//
// Threads: user-interface thread only.
#include <QWidget>

#include <functional>

namespace quillet::shell {

class CResizeGrip : public QWidget {
    Q_OBJECT
public:
    // Called with the grip's zone and the press point in the parent's coordinates.
    using PressHandler = std::function<void(int zone, QPoint atInParent)>;

    CResizeGrip(QWidget* parent, int zone, PressHandler onPress);
    int Zone() const { return m_zone; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_zone;
    PressHandler m_onPress;
};

// The cursor that shows a resize in `zone`; the arrow for the others.
Qt::CursorShape CursorOfZone(int zone);

}  // namespace quillet::shell
