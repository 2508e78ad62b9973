// CDialogP's sending beyond the Send button: the send box's keys and menu, history, repeat,
// files, send to all and the automatic reply.
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>

#include "engine/auto_reply.h"
#include "engine/chunk_recording.h"
#include "engine/record_log.h"
#include "engine/tcp_engine.h"
#include "pages/app_settings.h"
#include "pages/dialog_p.h"
#include "pages/engine_names.h"
#include "pages/file_sender.h"
#include "pages/repeat_sender.h"
#include "pages/saved_messages_dlg.h"
#include "pages/send_box.h"
#include "pages/send_box_shortcuts.h"
#include "pages/send_options.h"
#include "pages/send_prompts.h"
#include "pages/sequence_runner.h"
#include "pages/sequences_dlg.h"
#include "pages/settings_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

// How long the sent view waits to show sends that come many at a time.
constexpr int kSentViewDelayMs = 50;
// The sent view's refreshes take at most one part in this many of the thread's time.
constexpr int kSentViewShare = 10;
// How much of a history entry its menu item shows.
constexpr int kHistoryItemChars = 60;

QString HistoryItemText(const std::u16string& text) {
    QString shown = ToQString(text.substr(0, kHistoryItemChars));
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

}  // namespace

void CDialogP::SetUpSending() {
    SendBoxActions keys;
    keys.send = [this] { SendFromBox(); };
    keys.older = [this] { RecallOlder(); };
    keys.newer = [this] { RecallNewer(); };
    keys.sendAsHex = [this] { SendFromBoxAs(SendForm::kHex); };
    keys.sendWithEscapes = [this] { SendFromBoxAs(SendForm::kEscapes); };
    keys.savedMessages = [this] { OpenSavedMessages(); };
    keys.saveText = [this] { SavedMessagesDialog()->AddFromBox(); };
    keys.sequences = [this] { OpenSequences(); };
    UseSendBoxShortcuts(m_sendBox, std::move(keys));
    m_sendBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_sendBox, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        std::unique_ptr<QMenu> menu(MakeSendBoxMenu());
        menu->exec(m_sendBox->viewport()->mapToGlobal(at));
    });
    m_repeat = new RepeatSender(
        [this](ConnectInfo* rec, const std::string& bytes) { return SendRaw(rec, bytes, true); },
        [this](ConnectInfo*, const QString& why, uint64_t sent) {
            TellLater(tr("重复发送已停止：%1。已发送 %2 次。").arg(why).arg(sent));
        },
        this);
    FileSender::Hooks hooks;
    hooks.send = [this](ConnectInfo* rec, std::string bytes) {
        return SendRaw(rec, std::move(bytes), false);
    };
    hooks.waiting = [this](ConnectInfo* rec) { return Store().WaitingSendBytes(rec); };
    hooks.open = [this](ConnectInfo* rec) { return Store().IsOpen(rec); };
    hooks.tell = [this](const QString& text) { TellLater(text); };
    m_files = new FileSender(std::move(hooks), this);
    SequenceRunner::Hooks steps;
    steps.send = [this](ConnectInfo* rec, const std::string& bytes) {
        return SendRaw(rec, bytes, true);
    };
    steps.copy = [this](ConnectInfo* rec, uint64_t from, uint64_t to) {
        return Store().CopyLogWindow(rec, ChunkDir::kReceived, from, to);
    };
    steps.note = [this](ConnectInfo* rec, const QString& text) { SequenceNote(rec, text); };
    steps.saved = [this](const QString& name) -> std::optional<SavedMessage> {
        for (const SavedMessage& message : SavedMessagesDialog()->Messages())
            if (message.name == name)
                return message;
        return std::nullopt;
    };
    m_sequenceRunner = new SequenceRunner(std::move(steps), this);
    auto* treeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q), m_tree);
    treeKey->setObjectName(QStringLiteral("sequencesShortcut"));
    treeKey->setContext(Qt::WidgetShortcut);
    connect(treeKey, &QShortcut::activated, this, [this] { OpenSequences(); });
    m_sentRefresh = new QTimer(this);
    m_sentRefresh->setObjectName(QStringLiteral("sentViewRefresh"));
    m_sentRefresh->setSingleShot(true);
    m_sentRefresh->setInterval(kSentViewDelayMs);
    connect(m_sentRefresh, &QTimer::timeout, this, [this] {
        ConnectInfo* rec = RecordOf(SelectedConnection());
        if (!rec)
            return;
        // A long log takes long to show: the next refresh waits ten times as long, so that
        // showing it never takes more than a tenth of the thread's time.
        const auto start = std::chrono::steady_clock::now();
        ShowSentLog(rec);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        m_sentRefresh->setInterval(
            std::max(kSentViewDelayMs, static_cast<int>(took.count()) * kSentViewShare));
    });
    LoadAutoReply();
}

QMenu* CDialogP::MakeSendBoxMenu() {
    QMenu* menu = m_sendBox->createStandardContextMenu();
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

QMenu* CDialogP::MakeTreeMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("treeMenu"));
    const ConnectInfo* rec = RecordOf(SelectedConnection());
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
    if (HasSendToAll())
        AddAction(menu, "actionSendToAll", tr("发送给所有连接"), [this] { SendToAll(); });
    AddAction(menu, "actionSequences", tr("序列...\tCtrl+Shift+Q"), [this] { OpenSequences(); });
    menu->addSeparator();
    if (PageAutoReply())
        AddAction(menu, "actionAutoReply", tr("自动回复..."), [this] { ChooseAutoReply(); });
    AddAction(menu, "actionSendOptions", tr("发送选项..."), [this] { OpenSettings(this); });
    return menu;
}

void CDialogP::SendFromBox() {
    m_history.StopBrowsing();
    if (m_onSend)
        m_onSend();
}

void CDialogP::SendFromBoxAs(SendForm form) {
    m_oneSend = {form, nullptr, std::nullopt};
    SendFromBox();
    m_oneSend = {};
}

void CDialogP::SendTextToSelected(const std::u16string& text, SendForm form, LineEnding ending) {
    m_oneSend = {form, &text, ending};
    if (m_onSend)
        m_onSend();
    m_oneSend = {};
}

CSavedMessagesDlg* CDialogP::SavedMessagesDialog() {
    if (!m_saved)
        m_saved = new CSavedMessagesDlg(this);
    return m_saved;
}

void CDialogP::OpenSavedMessages() {
    CSavedMessagesDlg* dlg = SavedMessagesDialog();
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
}

CSequencesDlg* CDialogP::SequencesDialog() {
    if (!m_sequences)
        m_sequences = new CSequencesDlg(this, m_sequenceRunner);
    return m_sequences;
}

void CDialogP::OpenSequences() {
    CSequencesDlg* dlg = SequencesDialog();
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
}

bool CDialogP::RunSequence(const Sequence& sequence) {
    ConnectInfo* rec = RecordOf(SelectedConnection());
    if (!rec) {
        Message(tr("请选择接收端！"), tr("提示!"));
        return false;
    }
    if (m_sequenceRunner->Running()) {
        Message(tr("已有序列在运行，请先停止。"), tr("提示"));
        return false;
    }
    if (StreamsFiles() && !Store().IsOpen(rec)) {
        Message(tr("未建立链接！"), tr("提示!"));
        return false;
    }
    return m_sequenceRunner->Start(rec, sequence);
}

void CDialogP::SequenceNote(ConnectInfo* rec, const QString& text) {
    LogPageNote(Store(), *rec, ChunkDir::kReceived, text.toStdString());
    TreeNode* node = NodeOf(rec);
    if (node && node == m_tree->currentItem())
        m_recvView->DataArrived(&Store(), rec, ChunkDir::kReceived);
}

void CDialogP::SetBoxText(const std::u16string& text) {
    static_cast<CSendBox*>(m_sendBox)->SetText(ToQString(text));
    m_sendBox->moveCursor(QTextCursor::End);
}

void CDialogP::RecallOlder() {
    if (auto text = m_history.Older(SendBoxText()))
        SetBoxText(*text);
}

void CDialogP::RecallNewer() {
    if (auto text = m_history.Newer())
        SetBoxText(*text);
}

std::optional<std::pair<std::u16string, std::string>> CDialogP::BoxTextAndWire() {
    std::u16string text = SendBoxText();
    while (!text.empty() && text.back() == u' ')
        text.pop_back();
    if (text.empty()) {
        Message(tr("发送窗口没有内容。"), tr("提示"));
        return std::nullopt;
    }
    auto wire = EncodeSendText(text);
    if (!wire)
        return std::nullopt;
    if (wire->empty()) {
        Message(tr("发送窗口没有内容。"), tr("提示"));
        return std::nullopt;
    }
    return std::make_pair(std::move(text), std::move(*wire));
}

void CDialogP::RepeatToSelected() {
    TreeNode* item = SelectedConnection();
    ConnectInfo* rec = RecordOf(item);
    if (!rec) {
        Message(tr("请选择接收端！"), tr("提示!"));
        return;
    }
    if (m_repeat->IsRunning(rec)) {
        Message(tr("该连接正在重复发送，请先停止。"), tr("提示"));
        return;
    }
    if (StreamsFiles() && !Store().IsOpen(rec)) {
        Message(tr("未建立链接！"), tr("提示!"));
        return;
    }
    auto box = BoxTextAndWire();
    if (!box)
        return;
    CRepeatDlg dlg(m_colour, this);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return;
    m_history.Add(box->first);
    m_repeat->Start(rec, std::move(box->second), {dlg.m_intervalMs, dlg.m_times});
}

void CDialogP::StopRepeatOfSelected() {
    if (ConnectInfo* rec = RecordOf(SelectedConnection()))
        m_repeat->Stop(rec);
}

void CDialogP::SendFileToSelected() {
    ConnectInfo* rec = RecordOf(SelectedConnection());
    if (!rec) {
        Message(tr("请选择接收端！"), tr("提示!"));
        return;
    }
    if (m_files->Busy()) {
        Message(tr("正在发送另一个文件，请等它发完或取消。"), tr("提示"));
        return;
    }
    if (StreamsFiles() && !Store().IsOpen(rec)) {
        Message(tr("未建立链接！"), tr("提示!"));
        return;
    }
    CSendFileDlg dlg(!StreamsFiles(), m_colour, this);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return;
    const FileSender::Mode mode = StreamsFiles() ? FileSender::Mode::kStream
                                  : dlg.m_split  ? FileSender::Mode::kDatagrams
                                                 : FileSender::Mode::kWhole;
    m_files->Start(rec, dlg.m_path, mode, dlg.m_pieceSize);
}

void CDialogP::SendToAll() {
    if (!Root())
        return;
    auto box = BoxTextAndWire();
    if (!box)
        return;
    const int received = SendWireToAll(box->second);
    m_history.Add(box->first);
    if (received > 0 && !CurrentSendOptions().keepText)
        m_sendBox->clear();
}

void CDialogP::SendTextToAll(const std::u16string& text, SendForm form, LineEnding ending) {
    if (!Root())
        return;
    enc::ReadBytes read = WireBytesIn(text, form, ending);
    if (read.fault) {
        Message(FaultMessage(text, *read.fault), tr("提示"));
        return;
    }
    SendWireToAll(read.bytes);
}

int CDialogP::SendWireToAll(const std::string& wire) {
    TreeNode* root = Root();
    int received = 0, failed = 0;
    for (int i = 0; i < root->childCount(); ++i) {
        ConnectInfo* rec = RecordOf(root->child(i));
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

void CDialogP::ChooseAutoReply() {
    AutoReply* reply = PageAutoReply();
    if (!reply)
        return;
    CAutoReplyDlg dlg(m_colour, this);
    dlg.Show(reply->Get().mode, settings::Value(AutoReplyKey(this, "text")).toString(),
             settings::BoolValue(AutoReplyKey(this, "hex"), false));
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return;
    reply->Set(dlg.m_rule);
    StoreAutoReply(this, static_cast<int>(dlg.m_rule.mode), dlg.m_text, dlg.m_hex);
}

AutoReplySpec CDialogP::CurrentAutoReply() const {
    AutoReplySpec spec;
    spec.mode = static_cast<AutoReplySpec::Mode>(settings::IntValue(
        AutoReplyKey(this, "mode"), 0, 0, static_cast<int>(AutoReplyRule::Mode::kFixed)));
    spec.text = settings::Value(AutoReplyKey(this, "text")).toString();
    spec.hex = settings::BoolValue(AutoReplyKey(this, "hex"), false);
    return spec;
}

bool CDialogP::ApplyAutoReply(const AutoReplySpec& spec) {
    AutoReply* reply = PageAutoReply();
    if (!reply)
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
    reply->Set(std::move(rule));
    StoreAutoReply(this, static_cast<int>(spec.mode), spec.text, spec.hex);
    return true;
}

void CDialogP::LoadAutoReply() {
    AutoReply* reply = PageAutoReply();
    if (!reply)
        return;
    AutoReplyRule rule;
    rule.mode = static_cast<AutoReplyRule::Mode>(settings::IntValue(
        AutoReplyKey(this, "mode"), 0, 0, static_cast<int>(AutoReplyRule::Mode::kFixed)));
    if (rule.mode == AutoReplyRule::Mode::kFixed) {
        const auto bytes = FixedReplyBytes(settings::Value(AutoReplyKey(this, "text")).toString(),
                                           settings::BoolValue(AutoReplyKey(this, "hex"), false));
        if (!bytes)
            return;  // a stored reply that no longer encodes stays off
        rule.bytes = *bytes;
    }
    reply->Set(std::move(rule));
}

RawSend CDialogP::SendRawTcp(TcpEngine& engine, ConnectInfo* rec, std::string bytes, bool logged) {
    const size_t size = bytes.size();
    switch (engine.Send(rec, &bytes, {}, logged)) {
        case TcpEngine::SendResult::kAll:  // the bytes are still here to log
            if (logged)
                LogSent(rec, bytes, static_cast<int>(size), false);
            else  // a file's piece: counted, not logged
                CountSentChunk(rec, size);
            return RawSend::kSent;
        case TcpEngine::SendResult::kQueued:
            return RawSend::kWaiting;
        case TcpEngine::SendResult::kFull:
            return RawSend::kFull;
        case TcpEngine::SendResult::kFailed:
            break;
    }
    if (Store().Disconnect(rec))
        SetNodeImage(rec, Store().IsUnread(rec) ? kImageClosedUnread : kImageClosed);
    return RawSend::kGone;
}

RawSend CDialogP::BookRawDatagram(ConnectInfo* rec, const std::string& bytes, bool logged,
                                  int sent) {
    if (sent <= 0)
        return RawSend::kGone;
    if (logged)
        LogSent(rec, bytes, sent, false);
    else  // a file's datagram: counted, not logged
        CountSentChunk(rec, static_cast<size_t>(sent));
    return RawSend::kSent;
}

void CDialogP::EndSendsOf(ConnectInfo* rec, const QString& why) {
    if (m_repeat)
        m_repeat->End(rec, why);
    if (m_files)
        m_files->End(rec, why);
    if (m_sequenceRunner)
        m_sequenceRunner->End(rec, why);
}

void CDialogP::TellLater(const QString& text) {
    QTimer::singleShot(0, this, [this, text] { Message(text, tr("提示")); });
}

void CDialogP::RefreshSentViewSoon() {
    if (!m_sentRefresh->isActive())
        m_sentRefresh->start();
}

}  // namespace quillet::pages
