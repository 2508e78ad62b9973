#pragma once
// The base of every protocol page: the common controls and their layout, the connection tree
// with its root and ServerState, the hand-over of engine notifications to the page, the views'
// log display, the send steps all pages share, and the teardown that closes every socket and
// frees every record.
//
// Threads: everything runs on the user-interface thread, except OnNewConnection and
// OnConnectionUpdate, which workers call; they hand over to the user-interface thread through
// the page's UiNotifier, where the page's Handle* operations run only for records that are
// still listed, and without g_csConnect: only this thread frees records, so a record found
// listed stays valid while its handler runs, and what a handler needs of the fields workers
// write it reads through the store (each read a short take of the lock). No window work ever
// runs under the lock, so a receive thread never waits for the window (both checked where the
// news is handled: thread_check.h). The page reaches its
// records only through its RecordStore. New records are queued without waiting and handled in
// batches (m_newRecords).
#include <QColor>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/connect_info.h"
#include "engine/connection_sink.h"
#include "engine/new_record_queue.h"
#include "engine/record_store.h"
#include "pages/engine_names.h"
#include "pages/local_choice.h"
#include "pages/log_view.h"
#include "pages/made_endpoints.h"
#include "pages/prompt_dlg.h"
#include "pages/raw_send.h"
#include "pages/send_forms.h"
#include "pages/send_history.h"
#include "pages/tree_ctrl_ex.h"
#include "pages/ui_notifier.h"

class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTimer;

namespace quillet::engine {
class AutoReply;
class TcpEngine;
}  // namespace quillet::engine

namespace quillet::ui {
class CSkinBtn;
}

namespace quillet::pages {

class CRecordings;
class CSavedMessagesDlg;
class CSequencesDlg;
class SequenceRunner;
struct Sequence;
struct TlsChoice;
class FileSender;
class RepeatSender;

// Tree icons by state (image-list indexes).
enum TreeImage {
    kImageEndpointIdle = 0,
    kImageEndpointActive = 1,
    kImageClosed = 2,
    kImageOpen = 3,
    kImageClosedUnread = 4,
    kImageOpenUnread = 5,
};

// Which arrangement of the common controls a page uses.
enum class PageLayout {
    kStandard,   // tree, received view, sent view and send box, each in its group box
    kTcpServer,  // the same without a group box around the sent view
    kBroadcast,  // full-height tree, sent view top right, received view hidden
};

class CDialogP : public QWidget, public IConnectionSink {
    Q_OBJECT
public:
    static constexpr int kButtonSlots = 11;
    // Control ids (objectNames) of the views every page has; each page names its tree and
    // buttons.
    enum CommonControl {
        kReceivedView = 1026,
        kSentView = 1028,
        kSendBox = 1031,
    };

    // `templateId` names the page (129, 130, 140, 141, 296, 299) and gives its size.
    CDialogP(int templateId, const QColor& colour, QWidget* parent);
    ~CDialogP() override;

    QColor PageColour() const { return m_colour; }
    CTreeCtrlEx* Tree() const { return m_tree; }
    CLogView* ReceivedView() const { return m_recvView; }
    CLogView* SentView() const { return m_sentView; }
    QPlainTextEdit* SendBox() const { return m_sendBox; }
    ui::CSkinBtn* Button(int id) const;
    // The line under the views with the selected record's counters.
    QLabel* CountersLine() const { return m_countersLine; }
    // The page's recordings to files, and the tree's menu for a node that starts and stops them.
    CRecordings* Recordings() const { return m_recordings; }
    QMenu* MakeTreeMenu(TreeNode* item);
    // The TLS items of a TCP node's menu (dialog_p_tls.cpp): "证书..." for a TLS connection.
    void AddTlsActions(QMenu* menu, TreeNode* item);
    // A record's counters as the line and the node's tooltip show them.
    QString CountersText(ConnectInfo* rec);
    // Shows the selected record's counters in the line now (a timer does it a few times a
    // second while the page is visible).
    void RefreshCountersLine();

    // Builds the root node: host address text, icons, ServerState, bold; its dark red goes to
    // the tree's store only.
    void InitConnectionTree(CTreeCtrlEx* tree);
    // Erases the map, closes and frees every record and the ServerState, deletes all nodes.
    // The records go under g_csConnect, in the store. Returns true.
    virtual bool CloseAllConnections(CTreeCtrlEx* tree, RecordStore& store);
    // Shows the record's sent log in the sent view, at its end.
    void ShowSentLog(ConnectInfo* rec);

    // Sending beyond the Send button (dialog_p_send.cpp). The menus are the send box's and the
    // tree's context menus; the caller owns them.
    QMenu* MakeSendBoxMenu();
    QMenu* MakeTreeMenu();
    // What the Send button does (Ctrl+Enter in the send box).
    void SendFromBox();
    // The same, once, with the box's text read in `form` (hex pairs, escapes); the page's
    // encoding stays as it is.
    void SendFromBoxAs(SendForm form);
    // A text not in the box (a saved message) in `form`, its line breaks as `ending`: to the
    // selected connection through the Send button's path, or to every connection through
    // SendToAll's; the box is left as it is. A text that cannot be read is told and not sent.
    void SendTextToSelected(const std::u16string& text, SendForm form, LineEnding ending);
    void SendTextToAll(const std::u16string& text, SendForm form, LineEnding ending);
    // The page's saved messages (their window, made on first use and kept hidden), shown with
    // Ctrl+M; Ctrl+Shift+M adds the box's text to them.
    CSavedMessagesDlg* SavedMessagesDialog();
    void OpenSavedMessages();
    // The page's sequences (their window, made on first use and kept hidden), shown with
    // Ctrl+Shift+Q; one run at a time, on the connection selected when it starts.
    CSequencesDlg* SequencesDialog();
    void OpenSequences();
    SequenceRunner* Sequencer() const { return m_sequenceRunner; }
    // Runs `sequence` on the selected connection; false (after telling the user) when none is
    // selected, it is closed, or a run is under way.
    bool RunSequence(const Sequence& sequence);
    // Ctrl+Up / Ctrl+Down: an older or newer sent text into the send box.
    void RecallOlder();
    void RecallNewer();
    const SendHistory& History() const { return m_history; }
    // Prompts for an interval and a count, then repeats the box's text to the selected
    // connection; stops the selected connection's repeat.
    void RepeatToSelected();
    void StopRepeatOfSelected();
    RepeatSender* Repeats() const { return m_repeat; }
    // Prompts for a file and sends it to the selected connection.
    void SendFileToSelected();
    FileSender* Files() const { return m_files; }
    // The box's text to every open connection or peer (pages with HasSendToAll).
    void SendToAll();
    virtual bool HasSendToAll() const { return false; }
    // The TCP pages: switches the open plain connection of `rec` to TLS with the page's TLS
    // options ("开始 TLS"). False when it could not (told to the user).
    virtual bool OffersStartTls() const { return false; }
    virtual bool StartTlsOn(ConnectInfo* rec) {
        (void)rec;
        return false;
    }
    // Prompts for the page's automatic reply (pages whose engine has one).
    void ChooseAutoReply();

    // Workspaces (workspace.h). The prompt that makes this page's endpoints, filled in from
    // `spec` and never shown; null on a page that makes none.
    virtual std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) {
        (void)spec;
        return nullptr;
    }
    // What the page's Create does once its prompt accepted: makes the endpoints and remembers
    // them with the prompt's values and `keptOptions` (option keys to write back as they are).
    // Returns how many were made. `tls` (TCP pages): the TLS choice to use instead of the
    // page's setting, which it leaves as it is.
    virtual int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                                 const TlsChoice* tls = nullptr) {
        (void)prompt, (void)keptOptions, (void)tls;
        return 0;
    }
    // The endpoints the page's prompts made that are still there, in the order they were made.
    std::vector<EndpointSpec> WorkspaceEndpoints();
    // The page's automatic reply as the settings keep it, and a new one (stored and in force;
    // false, after telling, when a fixed reply does not encode).
    AutoReplySpec CurrentAutoReply() const;
    bool ApplyAutoReply(const AutoReplySpec& reply);
    // While set, the page's messages go to `tell` instead of a box.
    void TellTo(std::function<void(const QString&)> tell) { m_tell = std::move(tell); }

    // Worker side of the notifications (connection_sink.h).
    void OnNewConnection(ConnectInfo* pInfo, uint64_t key) final;
    void OnConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind, uint64_t key) final;

protected:
    // The page's records (its engine's store, whose map is the engine's m_map).
    virtual RecordStore& Store() = 0;
    // Sends bytes to a record outside the Send button's path (repeat, file, send to all),
    // counting them and, when `logged`, logging them. Pages that can send override it.
    virtual RawSend SendRaw(ConnectInfo* rec, std::string bytes, bool logged) {
        (void)rec, (void)bytes, (void)logged;
        return RawSend::kGone;
    }
    // The engine's automatic reply, on pages that have one.
    virtual AutoReply* PageAutoReply() { return nullptr; }
    // True on the TCP pages: files are streamed, not sent as datagrams.
    virtual bool StreamsFiles() const { return false; }
    // SendRaw of the TCP pages; a failed send closes the connection.
    RawSend SendRawTcp(TcpEngine& engine, ConnectInfo* rec, std::string bytes, bool logged);
    // SendRaw of the UDP pages, after a send call that returned `sent`.
    RawSend BookRawDatagram(ConnectInfo* rec, const std::string& bytes, bool logged, int sent);
    // Notification handlers: user-interface thread, record listed, g_csConnect not held (read
    // worker-written fields through Store()). News of data goes straight to ShowDataNews; the
    // pages handle new and closed connections.
    virtual void HandleNewConnection(ConnectInfo* pInfo) { (void)pInfo; }
    virtual void HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) {
        (void)pInfo, (void)kind;
    }
    // A mouse click in the tree: the item under the cursor (null on empty space).
    virtual void OnItemClick(TreeNode* item) { (void)item; }
    // What a record's tooltip says above its counters (its socket options ...); empty: nothing.
    virtual QString NodeNote(ConnectInfo* rec) {
        (void)rec;
        return {};
    }

    // Creates the tree (id), views, send box and group boxes in `layout`.
    void CreateCommonControls(int treeId, PageLayout layout);
    // Creates a skin button with its four pictures in the next free slot; a click runs `onClick`.
    ui::CSkinBtn* AddButton(int id, const QRect& rect, const std::array<int, 4>& bitmaps,
                            std::function<void()> onClick);
    void EnableButton(int id, bool enable);
    // The tree's client width (inside its frame), which spaces some pages' top-row buttons.
    int TreeClientWidth() const;
    // A button above `view`, right-aligned: from `top` to 2 px above the view, from `leftInset`
    // to 10 px left of the view's right edge (edges as the layouts give them).
    static QRect ButtonAbove(const QWidget* view, int leftInset, int top);

    // Teardown, for the page's destructor while its engine still exists: stop waiting workers,
    // join them, then free everything.
    template <typename Engine>
    void TearDownPage(Engine& engine) {
        m_notifier.Close();
        engine.Shutdown();
        CloseAllConnections(m_tree, engine.m_store);
    }

    // Tree helpers.
    TreeNode* Root() const;
    ServerState* RootState() const;
    static ConnectInfo* RecordOf(const TreeNode* item);
    static TreeNode* NodeOf(const ConnectInfo* rec);
    void SetNodeImage(TreeNode* item, int image);
    void SetNodeImage(ConnectInfo* rec, int image);
    // Appends a child of the root with `text` and `rec` as its data, and links rec->hItem.
    TreeNode* AddRecordNode(ConnectInfo* rec, const QString& text, int image);
    // The selected node when it is a connection (not the root), else null.
    TreeNode* SelectedConnection() const;
    // Deletes a record through the store (RecordStore::Delete under `key`), forgetting what the
    // views showed of it and unlinking its node.
    void FreeRecord(uint64_t key, ConnectInfo* rec);

    // News of data for a record: shown by the received view when its node is selected (read at
    // once there on a page with m_liveViewReads), else the node marked open with unread data.
    void ShowDataNews(ConnectInfo* rec);
    // News of a connection that came from outside (accepted, or a new UDP sender): its node,
    // "%s:%d" of the peer, as the root's last child, marked open.
    void AddPeerNode(ConnectInfo* pInfo);
    // Views: the logs of a record, at their ends (the received view then follows its growth).
    void ShowRecordLogs(ConnectInfo* rec);
    void ClearReceivedView();
    void ClearSentView();
    // Forget a record's received (unread mark, counters, log) or sent side.
    void ClearReceivedLog(ConnectInfo* rec) { Store().ClearReceived(rec); }
    void ClearSentLog(ConnectInfo* rec) { Store().ClearSent(rec); }

    // How a page sends to its selected connection (SendToSelected).
    struct SendSteps {
        // Checked once a connection is selected, before its record is looked at; false after
        // telling the user.
        std::function<bool()> pageReady;
        // Checked for the record before the text is taken; false after telling the user.
        std::function<bool(ConnectInfo*)> recordReady;
        // A text that encodes to no bytes is not sent.
        bool skipEmpty = false;
        // Sends the wire bytes of `text`: the byte count to log now, or 0 when the outcome has
        // been dealt with (a failure told, or a text that is logged later).
        // It may take `wire` when it returns 0 (a queued text keeps it).
        std::function<int(TreeNode* item, ConnectInfo* rec, std::string& wire,
                          const std::shared_ptr<const std::u16string>& text)>
            send;
    };
    // The one send routine of every page: the selected connection ("请选择接收端！" when
    // none), the page's checks, the send box's text taken and encoded, sent, logged.
    void SendToSelected(const SendSteps& steps);

    // Send steps shared by the pages. TakeSendText: the send box's text without trailing
    // blanks, having emptied the sent view; nullopt when there is nothing to send.
    std::optional<std::u16string> TakeSendText();
    // The wire bytes of `text`; nullopt (after telling the user) when the text cannot be sent
    // in the current encoding (hex mode with invalid hex).
    std::optional<std::string> EncodeSendText(const std::u16string& text);
    // After a send that returned `sent` > 0: count, log, show, and (a send of the box's text,
    // unless the user keeps it) empty the send box. Other sends show in the sent view a moment
    // later, when their record is selected.
    void LogSent(ConnectInfo* rec, const std::string& wire, int sent, bool fromBox = true);

    // The buttons every page has over its views: Send over the send box, Clear received over
    // the received view and Clear sent over the sent view.
    void AddViewButtons(int sendId, int clearReceivedId, int clearSentId,
                        std::function<void()> onSend);
    // Delete of every page: the selected connection's socket is closed, its record erased from
    // the map under keyOf(record) and freed (RecordStore::Delete), its node removed; `refresh`
    // then runs for the node the tree selects next.
    void DeleteSelected(const std::function<uint64_t(const ConnectInfo&)>& keyOf,
                        const std::function<void(TreeNode*)>& refresh);
    // The clear commands of every page: the selected connection's received (or sent) log, its
    // counters and its view.
    void ClearSelectedReceived();
    void ClearSelectedSent();
    // Send on a TCP page, to the selected connection, through `engine` without waiting for the
    // peer. A failed send closes its socket, runs `refresh` for its node and tells the user the
    // peer has gone. A text that waits for the peer is logged (and the box emptied, if it still
    // holds it) once all of it is taken; if the connection fails first, the user is told what
    // was sent and what was not.
    void SendOnSelectedTcp(TcpEngine& engine, const std::function<void(TreeNode*)>& refresh);
    // The UDP pages' steps: a root state to send from ("发送出错了！" when there is none), and a
    // datagram that did not go out ("发送出错！" after `refresh` for its node). SentOrTold
    // returns `sent` when it is positive, else 0.
    bool RootStateForSend();
    int SentOrTold(int sent, TreeNode* item, const std::function<void(TreeNode*)>& refresh);

    void Message(const QString& text, const QString& caption);
    bool Telling() const { return static_cast<bool>(m_tell); }
    // A spec's "options": `kept` with the local address choice.
    static QJsonObject OptionsWith(const QJsonObject& kept, const LocalChoice& local);
    // A TCP page's: also the socket options and the TLS choice the endpoint was made with.
    static QJsonObject TcpOptionsWith(const QJsonObject& kept, const LocalChoice& local,
                                      const sock::SocketOptions& socket, const TlsChoice& tls);

    MadeEndpoints m_made;

    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    UiNotifier m_notifier;
    CTreeCtrlEx* m_tree = nullptr;
    CLogView* m_recvView = nullptr;
    CLogView* m_sentView = nullptr;
    QPlainTextEdit* m_sendBox = nullptr;
    std::array<ui::CSkinBtn*, kButtonSlots> m_buttons{};
    // The UDP pages: data shown live in the selected view counts as read.
    bool m_liveViewReads = false;

private:
    // The send box's text as it goes out, before trimming.
    std::u16string SendBoxText() const;
    // The box's text without trailing blanks, and its wire bytes; nullopt when there is nothing
    // to send (told when it cannot be encoded). The sent view stays.
    std::optional<std::pair<std::u16string, std::string>> BoxTextAndWire();
    // Sends `wire` to every open connection or peer and says how many took it; returns that.
    int SendWireToAll(const std::string& wire);
    // Sets up the send box's keys, menu and the page's sending helpers.
    void SetUpSending();
    // A sequence's note in the record's received log, shown at once when it is selected.
    void SequenceNote(ConnectInfo* rec, const QString& text);
    // Ends what repeats or streams to a record whose connection closed or that goes away.
    void EndSendsOf(ConnectInfo* rec, const QString& why);
    // Tells the user later, outside any lock or handler.
    void TellLater(const QString& text);
    // The selected record's sent log into the sent view, soon (once for many sends).
    void RefreshSentViewSoon();
    void LoadAutoReply();
    void SetBoxText(const std::u16string& text);
    // News from a connection's writer (UPDATE_SENT), record listed, g_csConnect not held: logs
    // what was wholly sent (the store and the log take the lock for that), then updates the
    // box and the view; returns the message for a failed connection, else an empty string.
    QString HandleSendNews(ConnectInfo* rec);
    // Tells the user, once per run, that memory ran out and received chunks were not logged.
    void TellLostChunksOnce();
    // Puts the host's address into the root once its lookup ends.
    void WatchHostAddress();
    // Inserts the nodes of every record whose news waits, in the order the engine listed them,
    // in one pass. Data and close news run it first, so no record's other news comes before its
    // node.
    void FlushNewRecords();
    QGroupBox* AddGroup(const QString& title, const QRect& rect, int framedId);
    // The counters line at the page's foot, its timer, the recordings and the tree's menu.
    void CreateCountersAndRecordings();

    std::function<void()> m_onSend;              // the Send button's handler
    std::function<void(const QString&)> m_tell;  // TellTo's
    // What the send under way sends, when not the box's text as typed: set around one run of
    // m_onSend (SendFromBoxAs, SendTextToSelected).
    struct OneSend {
        SendForm form = SendForm::kText;
        const std::u16string* text = nullptr;  // null: the box's text
        std::optional<LineEnding> ending;      // none: the send options' line ending
    };
    OneSend m_oneSend;
    CSavedMessagesDlg* m_saved = nullptr;  // a child of the page
    CSequencesDlg* m_sequences = nullptr;  // children of the page
    SequenceRunner* m_sequenceRunner = nullptr;
    // The send box's document revision and trimmed text size at its last send.
    int m_boxRevision = -1;
    size_t m_boxTextSize = 0;
    SendHistory m_history;
    RepeatSender* m_repeat = nullptr;  // children of the page
    FileSender* m_files = nullptr;
    QTimer* m_sentRefresh = nullptr;
    // How a TCP page refreshes a node whose connection a failed send closed.
    std::function<void(TreeNode*)> m_sendRefresh;
    QColor m_colour;
    QLabel* m_countersLine = nullptr;
    QTimer* m_countersTimer = nullptr;
    CRecordings* m_recordings = nullptr;  // a child of the page
    NewRecordQueue m_newRecords;          // from the workers, taken by FlushNewRecords
    // While a batch of new records goes in: their nodes, appended to the root at its end.
    std::vector<TreeNode*>* m_nodeBatch = nullptr;
};

// Text conversions between display text and Qt.
QString ToQString(const std::u16string& text);
std::u16string FromQString(const QString& text);

}  // namespace quillet::pages
