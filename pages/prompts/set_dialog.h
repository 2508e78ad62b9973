#pragma once
// The message encoding settings: a modal dialog that lists the encodings by name and, on OK,
// makes the chosen one the wire encoding of every page. It opens showing the encoding in force;
// Cancel changes nothing. The shell keeps the choice for the next run
// (pages/common/wire_encoding_setting.h).
//
// Threads: user-interface thread only. Run it with ui::ExecModal so tests can script it.
#include <QDialog>
#include <QFont>
#include <QStringList>

#include <string>

class QComboBox;
class QPushButton;

namespace quillet::pages {

class CSet : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 294;
    static constexpr int kComboId = 1055;
    // Index of the "..." entry, which opens the list of further encodings.
    static constexpr int kMoreIndex = 5;

    explicit CSet(QWidget* parent = nullptr);

    QComboBox* Combo() const { return m_combo; }
    // The further encodings (HEX and what iconv offers), shown while "..." is chosen.
    QComboBox* MoreCombo() const { return m_more; }
    QPushButton* OkButton() const { return m_ok; }
    // Where the painted heading's text lies, in the dialog's coordinates.
    QRect HeadingTextRect() const;

    // The six entries of the main list, index 0 first.
    static QStringList Entries();
    // The further encodings this machine's iconv knows, HEX first.
    static QStringList FurtherEncodings();
    // The wire encoding name an entry stands for ("Ansi" -> "ANSI", "Unicode" -> "UTF-16LE").
    static std::string WireNameOf(const QString& entry);

protected:
    void paintEvent(QPaintEvent* event) override;
    void accept() override;

private:
    void ShowCurrentChoice();
    void OnEntryChanged(int index);
    std::string ChosenWireName() const;
    QString HeadingText() const;

    QComboBox* m_combo;
    QComboBox* m_more;
    QPushButton* m_ok;
    QFont m_headingFont;
};

}  // namespace quillet::pages
