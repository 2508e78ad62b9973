#pragma once
// Shift+F10 opens the context menu of the control that has the focus, as the Menu key does:
// an application-wide filter turns the key into a keyboard context-menu event for that control.
//
// Threads: user-interface thread only.
#include <QObject>

class QWidget;

namespace quillet::shell {

class ContextMenuKey : public QObject {
    Q_OBJECT
public:
    // Watches the application's keys while it lives.
    explicit ContextMenuKey(QObject* parent);
    ~ContextMenuKey() override;

    // Sends `control` a keyboard context-menu event at its text cursor, current item or centre.
    static void OpenContextMenu(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace quillet::shell
