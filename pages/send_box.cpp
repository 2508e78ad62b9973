#include "pages/send_box.h"

#include <QMimeData>

namespace quillet::pages {

namespace {

bool HasLongLine(const QString& text, qsizetype limit) {
    if (text.size() <= limit)
        return false;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if ((end < 0 ? text.size() : end) - start > limit)
            return true;
        if (end < 0)
            return false;
        start = end + 1;
    }
}

}  // namespace

CSendBox::CSendBox(QWidget* parent) : QPlainTextEdit(parent) {
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (lineWrapMode() == NoWrap && document()->characterCount() <= kLongLine)
            setLineWrapMode(WidgetWidth);
    });
}

void CSendBox::SetText(const QString& text) {
    NoWrapFor(text);
    setPlainText(text);
}

void CSendBox::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText())
        NoWrapFor(source->text());
    QPlainTextEdit::insertFromMimeData(source);
}

void CSendBox::NoWrapFor(const QString& text) {
    if (lineWrapMode() != NoWrap && HasLongLine(text, kLongLine))
        setLineWrapMode(NoWrap);
}

}  // namespace quillet::pages
