#pragma once
// The look shared by the small modal prompts of the pages: a fixed-size dialog in the calling
// page's colour, rows of a label and an edit box, OK (id 1, default) and Cancel (id 2).
// OK runs the prompt's own check (OnOk), which may keep the prompt open.
//
// Threads: user-interface thread only. Run with ui::ExecModal so tests can script it.
#include <QColor>
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quillet::pages {

class CPromptDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids (objectNames) of the buttons every prompt has.
    enum PromptButton {
        kOk = 1,
        kCancel = 2,
    };

    // `widthDu` × `heightDu` dialog units; `templateId` becomes the objectName ("dialog138").
    CPromptDlg(int templateId, const QString& caption, int widthDu, int heightDu,
               const QColor& colour, QWidget* parent);

    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    // The edit box with control id `id`, or null.
    QLineEdit* Edit(int id) const;

protected:
    // Adds "label" and an edit box (control `id`) as the next row; digitsOnly limits it to
    // 0-9 as a number-only box does.
    QLineEdit* AddRow(const QString& label, int id, const QString& text, bool digitsOnly,
                      int maxLength = 32767);
    // For prompts whose boxes and buttons have set places (dialog units): moves box `id` to
    // `editDu` with its label just left of it, and OK and Cancel to their rectangles.
    void PlaceRow(int id, const QRect& editDu);
    void PlaceButtons(const QRect& okDu, const QRect& cancelDu);
    // OK pressed: return true to close with OK, false to stay open.
    virtual bool OnOk() { return true; }
    void Message(const QString& text, const QString& caption);

    void accept() override;

private:
    int m_rows = 0;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// The port prompt: one number-only box; OK refuses ports above 65535.
class CSetListenDlg : public CPromptDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 138;
    // Control id (objectName) of the port box.
    enum ControlId {
        kBoxPort = 1009,
    };

    CSetListenDlg(const QColor& colour, QWidget* parent);
    int32_t m_nPort = 0;

protected:
    bool OnOk() override;
};

}  // namespace quillet::pages
