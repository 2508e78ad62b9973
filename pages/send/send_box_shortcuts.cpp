#include "pages/send/send_box_shortcuts.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

namespace quillet::pages {

namespace {

class CSendBoxShortcuts : public QObject {
public:
    CSendBoxShortcuts(QPlainTextEdit* box, SendBoxActions actions)
        : QObject(box), m_box(box), m_actions(std::move(actions)) {
        setObjectName(QStringLiteral("sendBoxShortcuts"));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_box ||
            (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const std::function<void()>* action = ActionFor(*key);
        if (!action || !*action)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // ours, not a window shortcut's
            return true;
        }
        (*action)();
        return true;
    }

private:
    const std::function<void()>* ActionFor(const QKeyEvent& key) const {
        const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
        if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
            switch (key.key()) {
                case Qt::Key_H:
                    return &m_actions.sendAsHex;
                case Qt::Key_E:
                    return &m_actions.sendWithEscapes;
                case Qt::Key_M:
                    return &m_actions.saveText;
                case Qt::Key_Q:
                    return &m_actions.sequences;
                default:
                    return nullptr;
            }
        }
        if (mods != Qt::ControlModifier)
            return nullptr;
        switch (key.key()) {
            case Qt::Key_M:
                return &m_actions.savedMessages;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                return &m_actions.send;
            case Qt::Key_Up:
                return &m_actions.older;
            case Qt::Key_Down:
                return &m_actions.newer;
            default:
                return nullptr;
        }
    }

    QPlainTextEdit* m_box;
    SendBoxActions m_actions;
};

}  // namespace

void UseSendBoxShortcuts(QPlainTextEdit* box, SendBoxActions actions) {
    box->installEventFilter(new CSendBoxShortcuts(box, std::move(actions)));
}

}  // namespace quillet::pages
