#pragma once
// The send box: a plain text box that takes very long lines without freezing. The box lays out
// a paragraph whole, and a line of megabytes takes seconds to lay out at every edit; so a line
// longer than kLongLine that is pasted or recalled is held in paragraphs of kSoftPiece
// characters joined by soft breaks (a block property), which the box's text leaves out. Only
// the paragraphs in view are laid out, and they wrap as any text does.
//
// Threads: user-interface thread only.
#include <QPlainTextEdit>

namespace quillet::pages {

class CSendBox : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr qsizetype kLongLine = 16 * 1024;
    static constexpr qsizetype kSoftPiece = 4096;

    explicit CSendBox(QWidget* parent);
    // Replaces the text.
    void SetText(const QString& text);
    // The text as typed: line breaks as LF, soft breaks left out, nothing else changed (no-break
    // spaces and line separators stay).
    QString Text() const;

protected:
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Inserts `text` at the cursor, long lines in soft pieces, as one edit.
    void InsertText(const QString& text);

    // The whole text while the document holds just what SetText or a paste into an empty box
    // put there (shared, not copied): reading a long text back from its paragraphs costs a
    // walk and a copy of every one. Any later change of the document drops it.
    QString m_whole;
    bool m_wholeValid = false;
};

}  // namespace quillet::pages
