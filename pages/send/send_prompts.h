#pragma once
// The prompts of the sending commands: repeat (interval and count), send a file (path, and for
// UDP one datagram or pieces of a chosen size), and a page's automatic reply. Each checks its
// boxes on OK and stays open, after saying what is wrong, until they hold something sound.
//
// Threads: user-interface thread only; run with ui::ExecModal.
#include <QString>

#include <cstdint>
#include <string>

#include "engine/auto_reply.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_dlg.h"

class QCheckBox;

namespace quillet::pages {

class CRepeatDlg : public CPromptDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 3001;
    enum ControlId { kInterval = 1101, kTimes = 1102 };

    CRepeatDlg(const QColor& colour, QWidget* parent);

    int m_intervalMs = 0;
    int64_t m_times = 0;  // 0: until stopped

protected:
    bool OnOk() override;
};

class CSendFileDlg : public CPromptDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 3002;
    enum ControlId { kPath = 1201, kBrowse = 1202, kSplit = 1203, kPieceSize = 1204 };

    // `datagrams`: a UDP page, which offers one datagram or pieces.
    CSendFileDlg(bool datagrams, const QColor& colour, QWidget* parent);

    QString m_path;
    bool m_split = false;
    size_t m_pieceSize = 0;

protected:
    bool OnOk() override;

private:
    bool m_datagrams;
    QCheckBox* m_splitBox = nullptr;
};

class CAutoReplyDlg : public CPromptDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 3003;
    enum ControlId { kEcho = 1301, kFixed = 1302, kReply = 1303, kHex = 1304 };

    CAutoReplyDlg(const QColor& colour, QWidget* parent);

    // What OK chose; the fixed reply's text as typed, and its wire bytes.
    AutoReplyRule m_rule;
    QString m_text;
    bool m_hex = false;

    // Shows a chosen rule (mode, text, hex).
    void Show(AutoReplyRule::Mode mode, const QString& text, bool hex);

protected:
    bool OnOk() override;

private:
    QCheckBox* m_echo;
    QCheckBox* m_fixed;
    QCheckBox* m_hexBox;
};

// The wire bytes of a fixed reply: hex pairs, or the text in the current wire encoding (its
// line breaks as the send options say). nullopt for invalid hex or no bytes.
std::optional<std::string> FixedReplyBytes(const QString& text, bool hex);

}  // namespace quillet::pages
