#pragma once
// What a screen reader is told of a received or sent view: a read-only multi-line text named
// after its frame. Its text is what is in sight (cheap, bounded by the view's height); the
// whole log, rendered, is its value, made only when asked for.
//
// Threads: user-interface thread only.
#include <QAccessibleWidget>

namespace quillet::pages {

// What the view lets a screen reader read: the rows in sight, and the whole log on request.
class ReadableLog {
public:
    virtual QString ShownText() = 0;
    virtual QString toPlainText() = 0;

protected:
    ~ReadableLog() = default;
};

class LogViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    // `view` is the widget that is also `log`.
    LogViewAccessible(QWidget* view, ReadableLog* log);

    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTextInterface over the text in sight.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    QString Shown() const;

    ReadableLog* m_log;
};

// Registers the factory that gives every widget that is a ReadableLog its LogViewAccessible;
// once is enough.
void InstallLogViewAccessibility();

}  // namespace quillet::pages
