#pragma once
// A page's sending: the send box's keys and menu, the Send button's path, one-off forms,
// history, repeat, files, send to all, saved messages, sequences and the automatic reply, with
// one entry point for each kind of send. A transport's controller (TcpSendController,
// UdpSendController) says how bytes go out; the page owns its controller, hands it the news of
// what its connections' writers finished and tells it when records close or go.
//
// Threads: user-interface thread only. Records are reached through the page's store (each read
// a short take of g_csConnect); no window work runs while the lock is held.
#include <QColor>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "engine/record_store.h"
#include "engine/wire_feed.h"
#include "pages/common/engine_names.h"
#include "pages/send/raw_send.h"
#include "pages/send/send_forms.h"
#include "pages/send/send_history.h"
#include "pages/send/text_sender.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "pages/send/auto_reply_spec.h"

class QMenu;
class QPlainTextEdit;
class QTimer;
class QWidget;

namespace quillet::engine {
class AutoReply;
}  // namespace quillet::engine

namespace quillet::pages {

class CLogView;
class CSavedMessagesDlg;
class CSequencesDlg;
class FileSender;
class RepeatSender;
class SequenceRunner;
struct Sequence;

// What sending uses of its page: the controls it reads and writes, the page's records and how
// the page tells the user.
struct SendSurface {
    QWidget* page = nullptr;  // parent of prompts and windows; its objectName keys the settings
    QColor colour;            // of the prompts
    QPlainTextEdit* box = nullptr;  // a CSendBox
    CTreeCtrlEx* tree = nullptr;
    CLogView* receivedView = nullptr;
    CLogView* sentView = nullptr;
    std::function<RecordStore&()> store;
    std::function<void(const QString& text, const QString& caption)> message;
    // Opens the settings dialog (发送选项...), which lives above sending.
    std::function<void()> openSettings;
};

class SendController : public QObject, public TextSender {
    Q_OBJECT
public:
    // `autoReply`: the engine's, or null on a page without one. `sendsToAll`: the page offers
    // "发送给所有连接".
    SendController(SendSurface surface, AutoReply* autoReply, bool sendsToAll);
    ~SendController() override;

    // The Send button: the box's text to the selected connection.
    void Send();
    // Ctrl+Enter: the same, ending a walk through the history.
    void SendFromBox();
    // Once, with the box's text read in `form` (hex pairs, escapes); the page's encoding stays.
    void SendFromBoxAs(SendForm form);
    // A text not in the box (a saved message) in `form`, its line breaks as `ending`: to the
    // selected connection through the Send button's path, or to every connection; the box is
    // left as it is. A text that cannot be read is told and not sent.
    void SendTextToSelected(const std::u16string& text, SendForm form, LineEnding ending) override;
    void SendTextToAll(const std::u16string& text, SendForm form, LineEnding ending) override;
    // The box's text to every open connection or peer (when SendsToAll).
    void SendToAll();
    bool SendsToAll() const override { return m_sendsToAll; }
    // Prompts for an interval and a count, then repeats the box's text to the selected
    // connection; stops the selected connection's repeat.
    void RepeatToSelected();
    void StopRepeatOfSelected();
    // Prompts for a file and sends it to the selected connection.
    void SendFileToSelected();
    // Runs `sequence` on the selected connection; false (after telling the user) when none is
    // selected, it is closed, or a run is under way.
    bool RunSequence(const Sequence& sequence) override;
    // Prompts for the automatic reply (pages whose engine has one).
    void ChooseAutoReply();
    // The automatic reply as the settings keep it, and a new one (stored and in force; false,
    // after telling, when a fixed reply does not encode).
    AutoReplySpec CurrentAutoReply() const;
    bool ApplyAutoReply(const AutoReplySpec& reply);

    // Ctrl+Up / Ctrl+Down: an older or newer sent text into the send box.
    void RecallOlder();
    void RecallNewer();
    // The saved messages and the sequences (their windows, made on first use and kept hidden).
    CSavedMessagesDlg* SavedMessagesDialog();
    void OpenSavedMessages();
    CSequencesDlg* SequencesDialog();
    void OpenSequences();
    // The send box's context menu and the sending items of the tree's; the caller owns them.
    QMenu* MakeSendBoxMenu();
    QMenu* MakeTreeMenu();

    QWidget* Page() const override { return m_surface.page; }
    QPlainTextEdit* Box() const override { return m_surface.box; }
    const SendHistory& History() const { return m_history; }
    RepeatSender* Repeats() const { return m_repeat; }
    FileSender* Files() const { return m_files; }
    SequenceRunner* Sequencer() const { return m_sequenceRunner; }

    // The page's side. News from a connection's writer or replier (record listed, lock not
    // held): logs what was wholly sent, updates the box and the view; returns the message for
    // a failed connection, else an empty string.
    QString HandleSendNews(ConnectInfo* rec);
    // News of data for a record (a sequence may wait for it).
    void DataArrived(ConnectInfo* rec);
    // Ends what repeats, streams or runs to a record whose connection closed or that goes away;
    // null: every record.
    void EndSendsOf(ConnectInfo* rec, const QString& why);

protected:
    // How the transport sends to its selected connection (SendToSelected).
    struct SendSteps {
        // Checked once a connection is selected, before its record is looked at; false after
        // telling the user.
        std::function<bool()> pageReady;
        // Checked for the record before the text is taken; false after telling the user.
        std::function<bool(ConnectInfo*)> recordReady;
        // A text that encodes to no bytes is not sent.
        bool skipEmpty = false;
        // Sends the wire bytes of `text`: the byte count to log now, or 0 when the outcome has
        // been dealt with (a failure told, or a text that is logged later). It may take `wire`
        // when it returns 0 (a queued text keeps it).
        std::function<int(TreeNode* item, ConnectInfo* rec, std::string& wire,
                          const std::shared_ptr<const std::u16string>& text)>
            send;
        // Sends a long text from the box whose wire bytes `feed` is still making (see
        // fed_encoding.h), as `send` does; null: the transport encodes texts whole. When it
        // returns a count, the bytes it sent are in `*sentAtOnce`.
        std::function<int(TreeNode* item, ConnectInfo* rec, std::shared_ptr<WireFeed> feed,
                          size_t estimate, const std::shared_ptr<const std::u16string>& text,
                          std::string* sentAtOnce)>
            sendFed;
    };
    // The Send button's path of the transport.
    virtual void SendSelected() = 0;
    // Sends bytes to a record outside the Send button's path (repeat, file, send to all,
    // sequence), counting them and, when `logged`, logging them.
    virtual RawSend SendRaw(ConnectInfo* rec, std::string bytes, bool logged) = 0;
    // True on TCP: files are streamed, and a closed connection takes nothing.
    virtual bool StreamsFiles() const = 0;
    // A connection whose queued texts were lost has been closed; its node is selected.
    virtual void ConnectionLost(TreeNode* node) { (void)node; }

    // The selected connection ("请选择接收端！" when none), the steps' checks, the text taken
    // and encoded, sent, logged.
    void SendToSelected(const SendSteps& steps);
    // After a send that returned `sent` > 0: count, log, show, and (a send of the box's text,
    // unless the user keeps it) empty the send box. Other sends show a moment later.
    void LogSent(ConnectInfo* rec, const std::string& wire, int sent, bool fromBox = true);
    void ShowSentLog(ConnectInfo* rec);
    void SetNodeImage(ConnectInfo* rec, int image);
    RecordStore& Store() const { return m_surface.store(); }
    void Message(const QString& text, const QString& caption);
    ConnectInfo* SelectedRecord() const;
    TreeNode* SelectedConnection() const;
    ServerState* RootState() const;

private:
    std::u16string SendBoxText() const;
    // TakeSendText: the box's text without trailing blanks, having emptied the sent view;
    // nullopt when there is nothing to send.
    std::optional<std::u16string> TakeSendText();
    // The wire bytes of `text`; nullopt (after telling the user) when it cannot be sent in the
    // current encoding or the one-off form.
    std::optional<std::string> EncodeSendText(const std::u16string& text);
    // The box's text without trailing blanks, and its wire bytes; nullopt when there is nothing
    // to send (told when it cannot be encoded). The sent view stays.
    std::optional<std::pair<std::u16string, std::string>> BoxTextAndWire();
    int SendWireToAll(const std::string& wire);
    // A selected, open (on TCP) record for a repeat, file or sequence; null after telling.
    ConnectInfo* SelectedForRawSend(bool busy, const QString& busyText);
    void SetUpKeysAndMenu();
    void SetUpHelpers();
    void SequenceNote(ConnectInfo* rec, const QString& text);
    void TellLater(const QString& text);
    void RefreshSentViewSoon();
    void RefreshSentView();
    void LoadAutoReply();
    void SetBoxText(const std::u16string& text);

    SendSurface m_surface;
    AutoReply* m_autoReply;
    bool m_sendsToAll;
    // What the send under way sends, when not the box's text as typed: set around one run of
    // SendSelected (SendFromBoxAs, SendTextToSelected).
    struct OneSend {
        SendForm form = SendForm::kText;
        const std::u16string* text = nullptr;  // null: the box's text
        std::optional<LineEnding> ending;      // none: the send options' line ending
    };
    OneSend m_oneSend;
    // The send box's document revision and trimmed text size at its last send.
    int m_boxRevision = -1;
    size_t m_boxTextSize = 0;
    SendHistory m_history;
    CSavedMessagesDlg* m_saved = nullptr;  // children of the page, deleted with this
    CSequencesDlg* m_sequences = nullptr;
    FileSender* m_files = nullptr;
    SequenceRunner* m_sequenceRunner = nullptr;  // children of this
    RepeatSender* m_repeat = nullptr;
    QTimer* m_sentRefresh = nullptr;
};

}  // namespace quillet::pages
