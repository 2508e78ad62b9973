#pragma once
// The find bar under a log view (Ctrl+F): the text to find, previous and next, match case,
// whole word, highlight all. The view does the searching; the bar only holds the choices.
//
// Threads: user-interface thread only.
#include <QRegularExpression>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace quillet::pages {

class CLogFindBar : public QWidget {
    Q_OBJECT
public:
    explicit CLogFindBar(QWidget* parent);

    QLineEdit* TextBox() const { return m_text; }
    QCheckBox* MatchCase() const { return m_case; }
    QCheckBox* WholeWord() const { return m_word; }
    QCheckBox* HighlightAll() const { return m_all; }
    QLabel* Status() const { return m_status; }

    // What the choices search for; invalid when the text is empty.
    QRegularExpression Pattern() const;
    bool Highlighting() const;
    void SetStatus(const QString& text);
    void Open();

signals:
    void FindRequested(bool forward);
    void PatternChanged();
    void Closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_text;
    QToolButton* m_previous;
    QToolButton* m_next;
    QCheckBox* m_case;
    QCheckBox* m_word;
    QCheckBox* m_all;
    QLabel* m_status;
};

}  // namespace quillet::pages
