#include "pages/send/send_controller.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "encoding/wire_codec.h"
#include "engine/chunk_recording.h"
#include "engine/record_log.h"
#include "engine/thread_check.h"
#include "pages/common/engine_names.h"
#include "pages/send/fed_encoding.h"
#include "pages/send/file_sender.h"
#include "pages/log/log_view.h"
#include "pages/send/repeat_sender.h"
#include "pages/send/saved_messages_dlg.h"
#include "pages/send/send_box.h"
#include "pages/send/send_box_shortcuts.h"
#include "pages/common/send_options.h"
#include "pages/send/sequence_runner.h"
#include "pages/send/sequences_dlg.h"

namespace quillet::pages {

namespace {

// How long the sent view waits to show sends that come many at a time.
constexpr int kSentViewDelayMs = 50;
// The sent view's refreshes take at most one part in this many of the thread's time.
constexpr int kSentViewShare = 10;

void TrimTrailingBlanks(std::u16string& text) {
    while (!text.empty() && text.back() == u' ')
        text.pop_back();
}

}  // namespace

SendController::SendController(SendSurface surface, AutoReply* autoReply, bool sendsToAll)
    : QObject(surface.page),
      m_surface(std::move(surface)),
      m_autoReply(autoReply),
      m_sendsToAll(sendsToAll) {
    setObjectName(QStringLiteral("sendController"));
    SetUpKeysAndMenu();
    SetUpHelpers();
    LoadAutoReply();
}

SendController::~SendController() {
    // The windows and the file sender are the page's children but call on this.
    delete m_sequences;
    delete m_saved;
    delete m_files;
}

void SendController::SetUpKeysAndMenu() {
    SendBoxActions keys;
    keys.send = [this] { SendFromBox(); };
    keys.older = [this] { RecallOlder(); };
    keys.newer = [this] { RecallNewer(); };
    keys.sendAsHex = [this] { SendFromBoxAs(SendForm::kHex); };
    keys.sendWithEscapes = [this] { SendFromBoxAs(SendForm::kEscapes); };
    keys.savedMessages = [this] { OpenSavedMessages(); };
    keys.saveText = [this] { SavedMessagesDialog()->AddFromBox(); };
    keys.sequences = [this] { OpenSequences(); };
    QPlainTextEdit* box = m_surface.box;
    UseSendBoxShortcuts(box, std::move(keys));
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this, [this, box](const QPoint& at) {
        std::unique_ptr<QMenu> menu(MakeSendBoxMenu());
        menu->exec(box->viewport()->mapToGlobal(at));
    });
    auto* treeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q), m_surface.tree);
    treeKey->setObjectName(QStringLiteral("sequencesShortcut"));
    treeKey->setContext(Qt::WidgetShortcut);
    connect(treeKey, &QShortcut::activated, this, [this] { OpenSequences(); });
}

void SendController::SetUpHelpers() {
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
    m_files = new FileSender(std::move(hooks), m_surface.page);
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
    m_sentRefresh = new QTimer(this);
    m_sentRefresh->setObjectName(QStringLiteral("sentViewRefresh"));
    m_sentRefresh->setSingleShot(true);
    m_sentRefresh->setInterval(kSentViewDelayMs);
    connect(m_sentRefresh, &QTimer::timeout, this, [this] { RefreshSentView(); });
}

void SendController::Send() {
    SendSelected();
}

void SendController::SendFromBox() {
    m_history.StopBrowsing();
    SendSelected();
}

void SendController::SendFromBoxAs(SendForm form) {
    m_oneSend = {form, nullptr, std::nullopt};
    SendFromBox();
    m_oneSend = {};
}

void SendController::SendTextToSelected(const std::u16string& text, SendForm form,
                                        LineEnding ending) {
    m_oneSend = {form, &text, ending};
    SendSelected();
    m_oneSend = {};
}

void SendController::SendToSelected(const SendSteps& steps) {
    TreeNode* item = SelectedConnection();
    if (!item) {
        Message(tr("请选择接收端！"), tr("提示!"));
        return;
    }
    if (steps.pageReady && !steps.pageReady())
        return;
    ConnectInfo* rec = CTreeCtrlEx::ItemData<ConnectInfo>(item);
    if (!rec || (steps.recordReady && !steps.recordReady(rec)))
        return;
    const bool fromBox = !m_oneSend.text;
    auto text = fromBox ? TakeSendText() : std::optional(*m_oneSend.text);
    if (!text)
        return;
    if (fromBox) {
        m_boxRevision = m_surface.box->document()->revision();
        m_boxTextSize = text->size();
    }
    // One text for the history and the send queue: a long one is not copied. A saved or
    // one-off text is not the box's, and no text tells the writer so.
    std::shared_ptr<const std::u16string> shared;
    if (fromBox)
        shared = std::make_shared<const std::u16string>(std::move(*text));
    FedStart fed;
    if (steps.sendFed && fromBox && m_oneSend.form == SendForm::kText)
        fed = StartFedEncoding(shared, CurrentSendOptions().lineEnding);
    if (fed.kind == FedStart::Kind::kFed) {
        // Queued first: the writer sends while the history looks for an equal text.
        std::string sentAtOnce;
        const int sent = steps.sendFed(item, rec, fed.feed, fed.estimate, shared, &sentAtOnce);
        m_history.Add(shared);
        if (sent > 0)
            LogSent(rec, sentAtOnce, sent, fromBox);
        return;
    }
    auto wire = fed.kind == FedStart::Kind::kWhole ? std::optional(std::move(fed.whole))
                                                   : EncodeSendText(fromBox ? *shared : *text);
    if (!wire || (steps.skipEmpty && wire->empty()))
        return;
    if (fromBox)
        m_history.Add(shared);
    if (const int sent = steps.send(item, rec, *wire, shared); sent > 0)
        LogSent(rec, *wire, sent, fromBox);
}

std::u16string SendController::SendBoxText() const {
    // The raw text: toPlainText() would turn no-break spaces into blanks and line separators
    // into line breaks. Only the box's own line breaks count (CSendBox::Text).
    return static_cast<const CSendBox*>(m_surface.box)->Text().toStdU16String();
}

std::optional<std::u16string> SendController::TakeSendText() {
    std::u16string text = SendBoxText();
    if (text.empty())
        return std::nullopt;
    TrimTrailingBlanks(text);
    m_surface.sentView->clear();
    if (text.empty())
        return std::nullopt;
    return text;
}

std::optional<std::string> SendController::EncodeSendText(const std::u16string& text) {
    const LineEnding ending = m_oneSend.ending.value_or(CurrentSendOptions().lineEnding);
    if (m_oneSend.form != SendForm::kText || m_oneSend.text) {
        enc::ReadBytes read = WireBytesIn(text, m_oneSend.form, ending);
        if (!read.fault)
            return std::move(read.bytes);
        Message(FaultMessage(text, *read.fault), tr("提示"));
        return std::nullopt;
    }
    // A line break goes out as the user chose; hex text has no line breaks to send. A text
    // that needs no change is encoded as it is, without a copy.
    const bool asIs = enc::WireEncoding() == enc::kHex || ending == LineEnding::kLf ||
                      text.find(u'\n') == std::u16string::npos;
    auto wire =
        asIs ? enc::TryEncodeForWire(text) : enc::TryEncodeForWire(ApplyLineEnding(text, ending));
    if (!wire) {
        Message(tr("发送内容不是有效的十六进制数据！"), tr("提示"));
        return std::nullopt;
    }
    return wire;
}

std::optional<std::pair<std::u16string, std::string>> SendController::BoxTextAndWire() {
    std::u16string text = SendBoxText();
    TrimTrailingBlanks(text);
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

void SendController::LogSent(ConnectInfo* rec, const std::string& wire, int sent, bool fromBox) {
    const std::string_view taken = std::string_view(wire).substr(0, static_cast<size_t>(sent));
    LogSentChunk(rec, taken);
    NoteLoggedChunk(Store(), *rec, ChunkSide::kSent, taken);
    if (!fromBox) {
        RefreshSentViewSoon();
        return;
    }
    ShowSentLog(rec);
    if (!CurrentSendOptions().keepText)
        m_surface.box->clear();
}

QString SendController::HandleSendNews(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    RecordStore::SendNews news = Store().TakeSendNews(rec);
    QPlainTextEdit* sendBox = m_surface.box;
    // The box's text is looked at only for news of texts that came from it.
    const bool ofBox = std::any_of(news.done.begin(), news.done.end(),
                                   [](const PendingSend& item) { return item.FromBox(); });
    // Untouched since the last send from it, the box still holds that text: no need to read
    // it back (a long text costs a copy of its whole document).
    const bool untouched = sendBox->document()->revision() == m_boxRevision;
    std::u16string box;
    if (ofBox && !CurrentSendOptions().keepText && !untouched) {
        box = SendBoxText();
        TrimTrailingBlanks(box);
    }
    bool logged = false, fromBox = false;
    if (news.unloggedBytes > 0)
        CountSentChunk(rec, news.unloggedBytes, news.unloggedMessages);
    for (PendingSend& item : news.done) {
        if (!item.logged) {  // a file's piece: counted, not logged
            CountSentChunk(rec, item.bytes.size());
            continue;
        }
        // A long text's bytes become the log's buffer as they are: no copy of them here.
        const auto bytes = std::make_shared<const std::string>(std::move(item.bytes));
        LogSentChunk(rec, bytes);
        NoteLoggedChunk(Store(), *rec, ChunkSide::kSent, *bytes);
        logged = true;
        fromBox = fromBox || item.FromBox();
        if (!item.FromBox() || CurrentSendOptions().keepText)
            continue;
        if ((untouched && item.text->size() == m_boxTextSize && !sendBox->document()->isEmpty()) ||
            (!box.empty() && box == *item.text)) {  // not if the user has typed on since
            sendBox->clear();
            box.clear();
        }
    }
    size_t sent = 0, unsent = 0;
    for (const PendingSend& item : news.lost) {
        sent += item.taken;
        unsent += item.bytes.size() - item.taken;
        if (item.taken > 0) {  // the log holds what the socket really took
            const std::string_view taken = std::string_view(item.bytes).substr(0, item.taken);
            if (item.logged) {
                LogSentChunk(rec, taken);
                NoteLoggedChunk(Store(), *rec, ChunkSide::kSent, taken);
            } else {
                CountSentChunk(rec, taken.size());
            }
        }
    }
    auto* node = static_cast<TreeNode*>(rec->hItem);
    const bool selected = node && node == m_surface.tree->currentItem();
    if (news.noWriter) {  // the connection is fine; only its texts could not go
        if (selected && (logged || sent > 0))
            RefreshSentViewSoon();
        return tr("无法创建发送线程！\n已发送 %1 字节，未发送 %2 字节。").arg(sent).arg(unsent);
    }
    if (news.lost.empty()) {
        // The box's text shows at once; repeats and replies a moment later, many at a time.
        if (selected && fromBox)
            ShowSentLog(rec);
        else if (selected && logged)
            RefreshSentViewSoon();
        return {};
    }
    Store().Disconnect(rec);
    if (selected)
        ConnectionLost(node);
    return tr("对方已经断开！\n已发送 %1 字节，未发送 %2 字节。").arg(sent).arg(unsent);
}

void SendController::ShowSentLog(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    m_surface.sentView->ShowRecord(&Store(), rec, ChunkDir::kSent);
}

void SendController::RefreshSentViewSoon() {
    if (!m_sentRefresh->isActive())
        m_sentRefresh->start();
}

void SendController::RefreshSentView() {
    ConnectInfo* rec = SelectedRecord();
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
}

void SendController::SetBoxText(const std::u16string& text) {
    static_cast<CSendBox*>(m_surface.box)->SetText(QString::fromStdU16String(text));
    m_surface.box->moveCursor(QTextCursor::End);
}

void SendController::RecallOlder() {
    if (auto text = m_history.Older(SendBoxText()))
        SetBoxText(*text);
}

void SendController::RecallNewer() {
    if (auto text = m_history.Newer())
        SetBoxText(*text);
}

void SendController::SetNodeImage(ConnectInfo* rec, int image) {
    auto* node = static_cast<TreeNode*>(rec ? rec->hItem : nullptr);
    if (node && CTreeCtrlEx::GetItemImage(node) != image)
        m_surface.tree->SetItemImage(node, image);
}

TreeNode* SendController::SelectedConnection() const {
    TreeNode* item = m_surface.tree->currentItem();
    return item && item->parent() ? item : nullptr;
}

ConnectInfo* SendController::SelectedRecord() const {
    TreeNode* item = SelectedConnection();
    return item ? CTreeCtrlEx::ItemData<ConnectInfo>(item) : nullptr;
}

ServerState* SendController::RootState() const {
    TreeNode* root = m_surface.tree->topLevelItem(0);
    return root ? CTreeCtrlEx::ItemData<ServerState>(root) : nullptr;
}

void SendController::Message(const QString& text, const QString& caption) {
    m_surface.message(text, caption);
}

void SendController::TellLater(const QString& text) {
    QTimer::singleShot(0, this, [this, text] { Message(text, tr("提示")); });
}

}  // namespace quillet::pages
