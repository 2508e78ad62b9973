// SendController's sends beyond the Send button: the menus, repeat, files, send to all, saved
// messages, sequences and the automatic reply.
#include <QMenu>
#include <QPlainTextEdit>
#include <QWidget>

#include "engine/auto_reply.h"
#include "engine/chunk_recording.h"
#include "engine/record_log.h"
#include "pages/common/engine_names.h"
#include "pages/common/app_settings.h"
#include "pages/send/file_sender.h"
#include "pages/log/log_view.h"
#include "pages/send/repeat_sender.h"
#include "pages/send/saved_messages_dlg.h"
#include "pages/send/send_controller.h"
#include "pages/common/send_options.h"
#include "pages/send/send_prompts.h"
#include "pages/send/sequence_runner.h"
#include "pages/send/sequences_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

// How much of a history entry its menu item shows.
constexpr int kHistoryItemChars = 60;

QString HistoryItemText(const std::u16string& text) {
    QString shown = QString::fromStdU16String(text.substr(0, kHistoryItemChars));
    shown.replace(QLatin1Char('\n'), QChar(0x21B5));  // a line break as ↵
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    if (text.size() > kHistoryItemChars)
        shown += QStringLiteral("…");
    return shown;
}

QAction* AddAction(QMenu* menu, const char* name, const QString& text, std::function<void()> run) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, menu, [run = std::move(run)] { run(); });
    return action;
}

QString AutoReplyKey(const QObject* page, const char* field) {
    return QStringLiteral("send/autoReply/%1/%2").arg(page->objectName(), QLatin1String(field));
}

void StoreAutoReply(const QObject* page, int mode, const QString& text, bool hex) {
    settings::SetValue(AutoReplyKey(page, "mode"), mode);
    settings::SetValue(AutoReplyKey(page, "text"), text);
    settings::SetValue(AutoReplyKey(page, "hex"), hex);
}

void ShowWindow(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

QMenu* SendController::MakeSendBoxMenu() {
    QMenu* menu = m_surface.box->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("sendBoxMenu"));
    menu->addSeparator();
    AddAction(menu, "actionSend", tr("发送\tCtrl+Enter"), [this] { SendFromBox(); });
    AddAction(menu, "actionSendAsHex", tr("按十六进制发送一次\tCtrl+Shift+H"),
              [this] { SendFromBoxAs(SendForm::kHex); });
    AddAction(menu, "actionSendWithEscapes", tr("按转义字符发送一次\tCtrl+Shift+E"),
              [this] { SendFromBoxAs(SendForm::kEscapes); });
    AddAction(menu, "actionSavedMessages", tr("常用消息...\tCtrl+M"),
              [this] { OpenSavedMessages(); });
    AddAction(menu, "actionSaveMessage", tr("存为常用消息\tCtrl+Shift+M"),
              [this] { SavedMessagesDialog()->AddFromBox(); });
    QMenu* history = menu->addMenu(tr("历史记录"));
    history->setObjectName(QStringLiteral("historyMenu"));
    history->setEnabled(!m_history.Entries().empty());
    for (const auto& entry : m_history.Entries()) {
        QAction* item = history->addAction(HistoryItemText(*entry));
        item->setObjectName(QStringLiteral("historyItem"));
        connect(item, &QAction::triggered, this, [this, entry] { SetBoxText(*entry); });
    }
    menu->addSeparator();
    QMenu* tree = MakeTreeMenu();
    for (QAction* action : tree->actions())
        menu->addAction(action);
    tree->setParent(menu, tree->windowFlags());  // its actions live as long as the menu
    return menu;
}

QMenu* SendController::MakeTreeMenu() {
    auto* menu = new QMenu(m_surface.page);
    menu->setObjectName(QStringLiteral("treeMenu"));
    const ConnectInfo* rec = SelectedRecord();
    const bool repeating = rec && m_repeat->IsRunning(rec);
    AddAction(menu, "actionRepeat", tr("重复发送..."), [this] {
        RepeatToSelected();
    })->setEnabled(rec && !repeating);
    AddAction(menu, "actionStopRepeat", tr("停止重复发送"), [this] {
        StopRepeatOfSelected();
    })->setEnabled(repeating);
    AddAction(menu, "actionSendFile", tr("发送文件..."), [this] {
        SendFileToSelected();
    })->setEnabled(rec && !m_files->Busy());
    if (m_sendsToAll)
        AddAction(menu, "actionSendToAll", tr("发送给所有连接"), [this] { SendToAll(); });
    AddAction(menu, "actionSequences", tr("序列...\tCtrl+Shift+Q"), [this] { OpenSequences(); });
    menu->addSeparator();
    if (m_autoReply)
        AddAction(menu, "actionAutoReply", tr("自动回复..."), [this] { ChooseAutoReply(); });
    AddAction(menu, "actionSendOptions", tr("发送选项..."), [this] {
        if (m_surface.openSettings)
            m_surface.openSettings();
    });
    return menu;
}

CSavedMessagesDlg* SendController::SavedMessagesDialog() {
    if (!m_saved)
        m_saved = new CSavedMessagesDlg(this);
    return m_saved;
}

void SendController::OpenSavedMessages() {
    ShowWindow(SavedMessagesDialog());
}

CSequencesDlg* SendController::SequencesDialog() {
    if (!m_sequences)
        m_sequences = new CSequencesDlg(this, m_sequenceRunner);
    return m_sequences;
}

void SendController::OpenSequences() {
    ShowWindow(SequencesDialog());
}

ConnectInfo* SendController::SelectedForRawSend(bool busy, const QString& busyText) {
    ConnectInfo* rec = SelectedRecord();
    if (!rec) {
        Message(tr("请选择接收端！"), tr("提示!"));
        return nullptr;
    }
    if (busy) {
        Message(busyText, tr("提示"));
        return nullptr;
    }
    if (StreamsFiles() && !Store().IsOpen(rec)) {
        Message(tr("未建立链接！"), tr("提示!"));
        return nullptr;
    }
    return rec;
}

bool SendController::RunSequence(const Sequence& sequence) {
    ConnectInfo* rec =
        SelectedForRawSend(m_sequenceRunner->Running(), tr("已有序列在运行，请先停止。"));
    return rec && m_sequenceRunner->Start(rec, sequence);
}

void SendController::SequenceNote(ConnectInfo* rec, const QString& text) {
    LogPageNote(Store(), *rec, ChunkDir::kReceived, text.toStdString());
    auto* node = static_cast<TreeNode*>(rec->hItem);
    if (node && node == m_surface.tree->currentItem())
        m_surface.receivedView->DataArrived(&Store(), rec, ChunkDir::kReceived);
}

void SendController::RepeatToSelected() {
    const ConnectInfo* selected = SelectedRecord();
    const bool busy = selected && m_repeat->IsRunning(selected);
    ConnectInfo* rec = SelectedForRawSend(busy, tr("该连接正在重复发送，请先停止。"));
    if (!rec)
        return;
    auto box = BoxTextAndWire();
    if (!box)
        return;
    CRepeatDlg dlg(m_surface.colour, m_surface.page);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return;
    m_history.Add(box->first);
    m_repeat->Start(rec, std::move(box->second), {dlg.m_intervalMs, dlg.m_times});
}

void SendController::StopRepeatOfSelected() {
    if (ConnectInfo* rec = SelectedRecord())
        m_repeat->Stop(rec);
}

void SendController::SendFileToSelected() {
    ConnectInfo* rec =
        SelectedForRawSend(m_files->Busy(), tr("正在发送另一个文件，请等它发完或取消。"));
    if (!rec)
        return;
    CSendFileDlg dlg(!StreamsFiles(), m_surface.colour, m_surface.page);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return;
    const FileSender::Mode mode = StreamsFiles() ? FileSender::Mode::kStream
                                  : dlg.m_split  ? FileSender::Mode::kDatagrams
                                                 : FileSender::Mode::kWhole;
    m_files->Start(rec, dlg.m_path, mode, dlg.m_pieceSize);
}

void SendController::SendToAll() {
    if (!m_surface.tree->topLevelItem(0))
        return;
    auto box = BoxTextAndWire();
    if (!box)
        return;
    const int received = SendWireToAll(box->second);
    m_history.Add(box->first);
    if (received > 0 && !CurrentSendOptions().keepText)
        m_surface.box->clear();
}

void SendController::SendTextToAll(const std::u16string& text, SendForm form, LineEnding ending) {
    if (!m_surface.tree->topLevelItem(0))
        return;
    enc::ReadBytes read = WireBytesIn(text, form, ending);
    if (read.fault) {
        Message(FaultMessage(text, *read.fault), tr("提示"));
        return;
    }
    SendWireToAll(read.bytes);
}

int SendController::SendWireToAll(const std::string& wire) {
    TreeNode* root = m_surface.tree->topLevelItem(0);
    int received = 0, failed = 0;
    for (int i = 0; i < root->childCount(); ++i) {
        auto* rec = CTreeCtrlEx::ItemData<ConnectInfo>(root->child(i));
        if (!rec || (StreamsFiles() && !Store().IsOpen(rec)))
            continue;  // a closed connection is no client any more
        const RawSend result = SendRaw(rec, wire, true);
        if (result == RawSend::kSent || result == RawSend::kWaiting)
            ++received;
        else
            ++failed;
    }
    Message(tr("已发送给 %1 个连接，%2 个失败。").arg(received).arg(failed), tr("提示"));
    return received;
}

void SendController::DataArrived(ConnectInfo* rec) {
    m_sequenceRunner->DataArrived(rec);
}

void SendController::EndSendsOf(ConnectInfo* rec, const QString& why) {
    if (!rec) {
        m_repeat->StopAll();
        m_sequenceRunner->End(nullptr, why);
        m_files->Abort();
        return;
    }
    m_repeat->End(rec, why);
    m_files->End(rec, why);
    m_sequenceRunner->End(rec, why);
}

void SendController::ChooseAutoReply() {
    if (!m_autoReply)
        return;
    QWidget* page = m_surface.page;
    CAutoReplyDlg dlg(m_surface.colour, page);
    dlg.Show(m_autoReply->Get().mode, settings::Value(AutoReplyKey(page, "text")).toString(),
             settings::BoolValue(AutoReplyKey(page, "hex"), false));
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return;
    m_autoReply->Set(dlg.m_rule);
    StoreAutoReply(page, static_cast<int>(dlg.m_rule.mode), dlg.m_text, dlg.m_hex);
}

AutoReplySpec SendController::CurrentAutoReply() const {
    const QWidget* page = m_surface.page;
    AutoReplySpec spec;
    spec.mode = static_cast<AutoReplySpec::Mode>(settings::IntValue(
        AutoReplyKey(page, "mode"), 0, 0, static_cast<int>(AutoReplyRule::Mode::kFixed)));
    spec.text = settings::Value(AutoReplyKey(page, "text")).toString();
    spec.hex = settings::BoolValue(AutoReplyKey(page, "hex"), false);
    return spec;
}

bool SendController::ApplyAutoReply(const AutoReplySpec& spec) {
    if (!m_autoReply)
        return true;
    AutoReplyRule rule;
    rule.mode = static_cast<AutoReplyRule::Mode>(spec.mode);
    if (rule.mode == AutoReplyRule::Mode::kFixed) {
        const auto bytes = FixedReplyBytes(spec.text, spec.hex);
        if (!bytes) {
            Message(tr("自动回复的内容无法按当前编码发送，自动回复未改变。"), tr("提示"));
            return false;
        }
        rule.bytes = *bytes;
    }
    m_autoReply->Set(std::move(rule));
    StoreAutoReply(m_surface.page, static_cast<int>(spec.mode), spec.text, spec.hex);
    return true;
}

void SendController::LoadAutoReply() {
    if (!m_autoReply)
        return;
    const AutoReplySpec spec = CurrentAutoReply();
    AutoReplyRule rule;
    rule.mode = static_cast<AutoReplyRule::Mode>(spec.mode);
    if (rule.mode == AutoReplyRule::Mode::kFixed) {
        const auto bytes = FixedReplyBytes(spec.text, spec.hex);
        if (!bytes)
            return;  // a stored reply that no longer encodes stays off
        rule.bytes = *bytes;
    }
    m_autoReply->Set(std::move(rule));
}

}  // namespace quillet::pages
