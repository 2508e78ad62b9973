#pragma once
// The send box: a plain text box that takes very long lines without freezing. A paragraph is
// laid out whole, and wrapping a line of megabytes into the box's width takes minutes; while
// the box holds a line longer than kLongLine it does not wrap (a horizontal scroll bar shows
// instead), and it wraps again once its text is short.
//
// Threads: user-interface thread only.
#include <QPlainTextEdit>

namespace quillet::pages {

class CSendBox : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr qsizetype kLongLine = 64 * 1024;

    explicit CSendBox(QWidget* parent);
    // Replaces the text, not wrapping it when a line of it is long.
    void SetText(const QString& text);

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void NoWrapFor(const QString& text);
};

}  // namespace quillet::pages
