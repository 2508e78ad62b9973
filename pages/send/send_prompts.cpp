#include "pages/send/send_prompts.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <unistd.h>

#include "encoding/hex_text.h"
#include "encoding/wire_codec.h"
#include "pages/send/file_sender.h"
#include "pages/send/file_source.h"
#include "pages/send/repeat_sender.h"
#include "pages/common/send_options.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

using ui::DuRect;

namespace {

QCheckBox* AddCheck(QWidget* parent, int id, const QString& text, const QRect& du) {
    auto* box = new QCheckBox(text, parent);
    ui::SetControlId(box, id);
    box->setGeometry(du);
    return box;
}

// A whole number in [lowest, highest] from a box; nullopt for anything else.
std::optional<int64_t> WholeNumber(const QString& text, int64_t lowest, int64_t highest) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

}  // namespace

CRepeatDlg::CRepeatDlg(const QColor& colour, QWidget* parent)
    : CPromptDlg(kTemplateId, tr("重复发送"), 200, 84, colour, parent) {
    AddRow(tr("间隔(毫秒):"), kInterval, QStringLiteral("1000"), false);
    AddRow(tr("次数(0不限):"), kTimes, QStringLiteral("0"), false);
}

bool CRepeatDlg::OnOk() {
    const auto interval = WholeNumber(Edit(kInterval)->text(), 1, RepeatSender::kMaxIntervalMs);
    if (!interval) {
        Message(tr("间隔须为 1 到 86400000 之间的整数（毫秒）。"), tr("提示"));
        return false;
    }
    const auto times = WholeNumber(Edit(kTimes)->text(), 0, 1000000000);
    if (!times) {
        Message(tr("次数须为 0 到 1000000000 之间的整数，0 表示一直发送到停止。"), tr("提示"));
        return false;
    }
    m_intervalMs = static_cast<int>(*interval);
    m_times = *times;
    return true;
}

CSendFileDlg::CSendFileDlg(bool datagrams, const QColor& colour, QWidget* parent)
    : CPromptDlg(kTemplateId, tr("发送文件"), 260, datagrams ? 106 : 62, colour, parent),
      m_datagrams(datagrams) {
    QLineEdit* path = AddRow(tr("文件:"), kPath, QString(), false);
    auto* browse = new QPushButton(tr("浏览..."), this);
    ui::SetControlId(browse, kBrowse);
    browse->setGeometry(DuRect(200, 14, 46, 14));
    connect(browse, &QPushButton::clicked, this, [this, path] {
        const QString chosen = QFileDialog::getOpenFileName(this, tr("发送文件"), path->text());
        if (!chosen.isEmpty())
            path->setText(chosen);
    });
    if (!datagrams)
        return;
    m_splitBox = AddCheck(this, kSplit, tr("分成多个数据报发送"), DuRect(14, 36, 200, 12));
    AddRow(QString(), kPieceSize, QStringLiteral("1024"), false);
    PlaceRow(kPieceSize, QRect(120, 52, 60, 14));
    auto* label = new QLabel(tr("每个数据报字节数:"), this);
    label->setObjectName(QStringLiteral("labelPieceSize"));
    label->setGeometry(DuRect(14, 54, 104, 10));
}

bool CSendFileDlg::OnOk() {
    const QString path = Edit(kPath)->text().trimmed();
    const std::string name = QFile::encodeName(path).toStdString();
    uint64_t size = 0;
    // stat and access only: opening a FIFO here would wait for its writer.
    const FileKind kind = path.isEmpty() ? FileKind::kMissing : KindOfFile(name, &size);
    if (kind == FileKind::kMissing) {
        Message(tr("文件不存在。"), tr("提示"));
        return false;
    }
    if (kind == FileKind::kDirectory) {
        Message(tr("这是一个文件夹，请选择一个文件。"), tr("提示"));
        return false;
    }
    if (kind == FileKind::kSocket) {
        Message(tr("这是一个套接字文件，不能读取，请选择一个文件。"), tr("提示"));
        return false;
    }
    if (access(name.c_str(), R_OK) != 0) {
        Message(tr("无法读取文件。"), tr("提示"));
        return false;
    }
    // A FIFO or a device has no size beforehand: it is sent until its end.
    if (kind == FileKind::kRegular && size == 0) {
        Message(tr("文件是空的，没有可发送的内容。"), tr("提示"));
        return false;
    }
    m_split = m_splitBox && m_splitBox->isChecked();
    if (m_datagrams && m_split) {
        const auto piece = WholeNumber(Edit(kPieceSize)->text(), 1, FileSender::kMaxDatagram);
        if (!piece) {
            Message(tr("每个数据报的字节数须为 1 到 65507 之间的整数。"), tr("提示"));
            return false;
        }
        m_pieceSize = static_cast<size_t>(*piece);
    } else if (m_datagrams && kind == FileKind::kRegular && size > FileSender::kMaxDatagram) {
        Message(tr("文件大于 65507 字节，不能作为一个数据报发送；请选择分成多个数据报发送。"),
                tr("提示"));
        return false;
    }
    m_path = path;
    return true;
}

CAutoReplyDlg::CAutoReplyDlg(const QColor& colour, QWidget* parent)
    : CPromptDlg(kTemplateId, tr("自动回复"), 260, 106, colour, parent) {
    m_echo = AddCheck(this, kEcho, tr("回显：把收到的数据原样发回"), DuRect(14, 8, 230, 12));
    m_fixed =
        AddCheck(this, kFixed, tr("固定回复：每收到一次就发送下面的内容"), DuRect(14, 24, 230, 12));
    AddRow(QString(), kReply, QString(), false);
    PlaceRow(kReply, QRect(14, 40, 232, 14));
    m_hexBox = AddCheck(this, kHex, tr("十六进制"), DuRect(14, 60, 100, 12));
    // One mode at a time; none is off.
    connect(m_echo, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_fixed->setChecked(false);
    });
    connect(m_fixed, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_echo->setChecked(false);
    });
}

void CAutoReplyDlg::Show(AutoReplyRule::Mode mode, const QString& text, bool hex) {
    m_echo->setChecked(mode == AutoReplyRule::Mode::kEcho);
    m_fixed->setChecked(mode == AutoReplyRule::Mode::kFixed);
    Edit(kReply)->setText(text);
    m_hexBox->setChecked(hex);
}

std::optional<std::string> FixedReplyBytes(const QString& text, bool hex) {
    const std::u16string typed = text.toStdU16String();
    if (hex)
        return enc::ParseHexPairs(typed);
    std::string bytes = enc::EncodeForWire(ApplyLineEnding(typed, CurrentSendOptions().lineEnding));
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}

bool CAutoReplyDlg::OnOk() {
    m_text = Edit(kReply)->text();
    m_hex = m_hexBox->isChecked();
    m_rule = AutoReplyRule{};
    if (m_echo->isChecked()) {
        m_rule.mode = AutoReplyRule::Mode::kEcho;
    } else if (m_fixed->isChecked()) {
        const auto bytes = FixedReplyBytes(m_text, m_hex);
        if (!bytes) {
            Message(m_hex ? tr("回复内容不是有效的十六进制数据：须为成对的十六进制数字。")
                          : tr("回复内容为空。"),
                    tr("提示"));
            return false;
        }
        m_rule.mode = AutoReplyRule::Mode::kFixed;
        m_rule.bytes = *bytes;
    }
    return true;
}

}  // namespace quillet::pages
