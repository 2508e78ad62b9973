#include "skin/send_box_keys.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

namespace quillet::ui {
namespace {

// Qt's text controls refuse Ctrl-modified input, so the tab character is inserted here.
class CCtrlTabInserter : public QObject {
public:
    explicit CCtrlTabInserter(QPlainTextEdit* edit) : QObject(edit), m_edit(edit) {
        setObjectName(QStringLiteral("ctrlTabInserter"));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_edit ||
            (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab || key->modifiers() != Qt::ControlModifier)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // the box takes Ctrl+Tab before any window shortcut
            return true;
        }
        if (!m_edit->isReadOnly())
            m_edit->insertPlainText(QStringLiteral("\t"));
        return true;
    }

private:
    QPlainTextEdit* m_edit;
};

}  // namespace

void UseTabForFocus(QPlainTextEdit* edit) {
    edit->setTabChangesFocus(true);
    edit->installEventFilter(new CCtrlTabInserter(edit));
}

}  // namespace quillet::ui
