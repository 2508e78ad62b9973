#pragma once
// "保存日志": what to save of the selected record's log (received, sent, or both merged in time
// order), how (the text shown, or the raw bytes) and where. Opened from a log view's context
// menu and by Ctrl+S in a view; the view then saves (log_save.h). OK on the path of an existing
// file asks first whether to replace it.
//
// Threads: user-interface thread only. Run it with ui::ExecModal so tests can script it.
#include <QDialog>

#include "pages/log/log_save.h"

class QComboBox;
class QLineEdit;

namespace quillet::pages {

class CSaveLogDlg : public QDialog {
    Q_OBJECT
public:
    CSaveLogDlg(SaveWhat what, QWidget* parent);

    SaveWhat What() const;
    SaveFormat Format() const;
    QString Path() const;

    QComboBox* WhatBox() const { return m_what; }
    QComboBox* FormatBox() const { return m_format; }
    QLineEdit* PathBox() const { return m_path; }

    void accept() override;

private:
    void Browse();
    // An existing file at the path: asks whether to replace it (ui::ExecModal).
    bool AskReplace();

    QComboBox* m_what;
    QComboBox* m_format;
    QLineEdit* m_path;
};

}  // namespace quillet::pages
