#pragma once
// The Help box: a read-only view with what the program does, and a close button.
#include <QDialog>

class QPlainTextEdit;

namespace quillet::shell {

class CHelp : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 295;
    static constexpr int kViewId = 1056;
    explicit CHelp(QWidget* parent = nullptr);

    QPlainTextEdit* View() const { return m_view; }
    // The whole help text, one line feed after every line.
    static QString HelpText();

private:
    QPlainTextEdit* m_view;
};

}  // namespace quillet::shell
