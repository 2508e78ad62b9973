#include "pages/send/send_box.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace quillet::pages {

namespace {

// Marks a paragraph that continues the one before it on the same line.
constexpr int kSoftBreakProperty = QTextFormat::UserProperty + 1;

bool IsSoft(const QTextBlock& block) {
    return block.blockFormat().boolProperty(kSoftBreakProperty);
}

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

// The text between document positions `from` and `to`, soft breaks left out.
QString TextBetween(const QTextDocument* doc, int from, int to) {
    QString text;
    text.reserve(std::max(to - from, 0));
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        if (b.position() > from && !IsSoft(b))
            text += QLatin1Char('\n');
        const int start = std::max(from - b.position(), 0);
        const int end = std::min(to - b.position(), b.length() - 1);
        if (end > start)
            text += b.text().mid(start, end - start);
    }
    return text;
}

// Whether the box keeps `text` as it is: a cursor turns these into paragraph breaks.
bool KeptAsIs(const QString& text) {
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == QLatin1Char('\r') || c == QChar::ParagraphSeparator || c.unicode() == 0xFDD0 ||
               c.unicode() == 0xFDD1;  // frame marks
    });
}

}  // namespace

CSendBox::CSendBox(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        m_wholeValid = false;
        m_whole.clear();
    });
}

void CSendBox::SetText(const QString& text) {
    if (!HasLongLine(text, kLongLine)) {
        setPlainText(text);
        return;
    }
    clear();
    InsertText(text);
}

QString CSendBox::Text() const {
    if (m_wholeValid)
        return m_whole;
    return TextBetween(document(), 0, document()->characterCount());
}

void CSendBox::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && HasLongLine(source->text(), kLongLine)) {
        InsertText(source->text());
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

QMimeData* CSendBox::createMimeDataFromSelection() const {
    const QTextCursor c = textCursor();
    auto* data = new QMimeData;
    data->setText(TextBetween(document(), c.selectionStart(), c.selectionEnd()));
    return data;
}

void CSendBox::keyPressEvent(QKeyEvent* event) {
    // Enter in a soft piece makes a real line break, not another soft piece.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !isReadOnly() && IsSoft(textCursor().block()) &&
        !(event->modifiers() & Qt::ControlModifier)) {
        textCursor().insertBlock(QTextBlockFormat());
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CSendBox::InsertText(const QString& text) {
    const bool whole = document()->isEmpty() && KeptAsIs(text);
    QTextBlockFormat soft;
    soft.setProperty(kSoftBreakProperty, true);
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.removeSelectedText();
    const QTextBlockFormat hard = QTextBlockFormat();
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        for (qsizetype at = start; at < end;) {
            qsizetype piece = std::min(kSoftPiece, end - at);
            if (at + piece < end && text.at(at + piece - 1).isHighSurrogate())
                --piece;  // a pair stays in one piece
            if (at > start)
                c.insertBlock(soft);
            c.insertText(text.mid(at, piece));
            at += piece;
        }
        if (end >= text.size())
            break;
        c.insertBlock(hard);
        start = end + 1;
    }
    c.endEditBlock();
    setTextCursor(c);
    if (whole) {  // after the edit's change notices, which drop what was kept before
        m_whole = text;
        m_wholeValid = true;
    }
}

}  // namespace quillet::pages
