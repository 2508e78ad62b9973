#include "shell/context_menu_key.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>

namespace quillet::shell {
namespace {

// Where a keyboard context menu opens in `w`: at the current item or the text cursor, as the
// Menu key's menu does, else in the middle.
QPoint MenuPoint(QWidget* w) {
    if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
        const QRect item = view->visualRect(view->currentIndex());
        if (item.isValid())
            return view->viewport()->mapTo(w, item.center());
    }
    const QVariant cursor = w->inputMethodQuery(Qt::ImCursorRectangle);
    if (cursor.isValid() && cursor.toRect().isValid())
        return cursor.toRect().center();
    return w->rect().center();
}

}  // namespace

ContextMenuKey::ContextMenuKey(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("contextMenuKey"));
    qApp->installEventFilter(this);
}

ContextMenuKey::~ContextMenuKey() {
    qApp->removeEventFilter(this);
}

void ContextMenuKey::OpenContextMenu(QWidget* control) {
    const QPoint at = MenuPoint(control);
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, control->mapToGlobal(at));
    QApplication::sendEvent(control, &menu);
}

bool ContextMenuKey::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const auto mods = key->modifiers() & ~Qt::KeypadModifier;
        QWidget* focus = QApplication::focusWidget();
        if (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier && focus && watched == focus) {
            OpenContextMenu(focus);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quillet::shell
