#pragma once
// The base of every protocol page: the common controls and their layout, the connection tree
// with its root and ServerState, the hand-over of engine notifications to the page, the views'
// log display, and the teardown that closes every socket and frees every record. Sending is
// the page's send controller's (send_controller.h), which the page makes for its transport.
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
#include "pages/base/node_details.h"
#include "pages/base/page_controls.h"
#include "pages/log/counters_line.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/local_choice.h"
#include "pages/log/log_view.h"
#include "pages/workspace/endpoint_maker.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/common/qt_text.h"
#include "pages/send/send_controller.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "pages/tree/tree_images.h"
#include "pages/common/ui_notifier.h"

class QMenu;
class QPlainTextEdit;

namespace quillet::ui {
class CSkinBtn;
}

namespace quillet::pages {

class CDialogP : public QWidget, public IConnectionSink, public EndpointMaker {
    Q_OBJECT
public:
    static constexpr int kButtonSlots = 11;
    // The views every page has go by these ids (page_controls.h).
    using enum CommonControl;
    // `templateId` names the page (129, 130, 140, 141, 296, 299) and gives its size.
    CDialogP(int templateId, const QColor& colour, QWidget* parent);
    ~CDialogP() override;

    QColor PageColour() const { return m_colour; }
    CTreeCtrlEx* Tree() const { return m_tree; }
    CLogView* ReceivedView() const { return m_recvView; }
    CLogView* SentView() const { return m_sentView; }
    QPlainTextEdit* SendBox() const { return m_sendBox; }
    ui::CSkinBtn* Button(int id) const;
    // The line under the views with the selected record's counters (also its tooltip's start).
    CCountersLine* CountersLine() const { return m_details ? m_details->CountersLine() : nullptr; }
    // The page's recordings to files, and the tree's menu for a node that starts and stops them.
    CRecordings* Recordings() const { return m_details ? m_details->Recordings() : nullptr; }
    QMenu* MakeTreeMenu(TreeNode* item) { return m_details->MakeTreeMenu(item); }

    // Builds the root node: host address text, icons, ServerState, bold; its dark red goes to
    // the tree's store only.
    void InitConnectionTree(CTreeCtrlEx* tree);
    // Erases the map, closes and frees every record and the ServerState, deletes all nodes.
    // The records go under g_csConnect, in the store. Returns true.
    virtual bool CloseAllConnections(CTreeCtrlEx* tree, RecordStore& store);
    // Shows the record's sent log in the sent view, at its end.
    void ShowSentLog(ConnectInfo* rec);

    // The page's sending (send_controller.h): every kind of send, its menus and windows.
    SendController* Sending() const { return m_sending; }
    // While set, the page's messages go to `tell` instead of a box.
    void TellTo(std::function<void(const QString&)> tell) { m_tell = std::move(tell); }

    // Worker side of the notifications (connection_sink.h).
    void OnNewConnection(ConnectInfo* pInfo, uint64_t key) final;
    void OnConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind, uint64_t key) final;

protected:
    // The page's records (its engine's store, whose map is the engine's m_map).
    virtual RecordStore& Store() = 0;
    // Notification handlers: user-interface thread, record listed, g_csConnect not held (read
    // worker-written fields through Store()). News of data goes straight to ShowDataNews; the
    // pages handle new and closed connections.
    virtual void HandleNewConnection(ConnectInfo* pInfo) { (void)pInfo; }
    virtual void HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) {
        (void)pInfo, (void)kind;
    }
    // The page's own items of the tree's menu for `item`, after the sending items.
    virtual void AddNodeItems(QMenu* menu, TreeNode* item) { (void)menu, (void)item; }
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

    // What the page's send controller works on, and the controller the page made for its
    // transport (right after CreateCommonControls, before the buttons).
    SendSurface SendingSurface();
    void UseSending(SendController* sending) { m_sending = sending; }
    // The buttons every page has over its views: Send (the controller's) over the send box,
    // Clear received over the received view and Clear sent over the sent view.
    void AddViewButtons(int sendId, int clearReceivedId, int clearSentId);
    // Delete of every page: the selected connection's socket is closed, its record erased from
    // the map under keyOf(record) and freed (RecordStore::Delete), its node removed; `refresh`
    // then runs for the node the tree selects next.
    void DeleteSelected(const std::function<uint64_t(const ConnectInfo&)>& keyOf,
                        const std::function<void(TreeNode*)>& refresh);
    // Clear received / Clear sent of every page: the selected connection's log of `dir`, its
    // counters and its view.
    void ClearSelected(ChunkDir dir);
    void Message(const QString& text, const QString& caption);
    bool Telling() const { return static_cast<bool>(m_tell); }

    void keyPressEvent(QKeyEvent* event) override;

    UiNotifier m_notifier;
    CTreeCtrlEx* m_tree = nullptr;
    CLogView* m_recvView = nullptr;
    CLogView* m_sentView = nullptr;
    QPlainTextEdit* m_sendBox = nullptr;
    std::array<ui::CSkinBtn*, kButtonSlots> m_buttons{};
    // The UDP pages: data shown live in the selected view counts as read.
    bool m_liveViewReads = false;

private:
    // EndpointMaker: what the page's store and root still hold.
    bool StillListed(uint64_t key) override;
    bool ServerKept() const override;
    // Tells the user, once per run, that memory ran out and received chunks were not logged.
    void TellLostChunksOnce();
    // Inserts the nodes of every record whose news waits, in the order the engine listed them,
    // in one pass. Data and close news run it first, so no record's other news comes before its
    // node.
    void FlushNewRecords();
    // The counters line at the page's foot, its timer, the recordings and the tree's menu.
    void CreateCountersAndRecordings();

    std::function<void(const QString&)> m_tell;  // TellTo's
    SendController* m_sending = nullptr;         // a child of the page, deleted first
    QColor m_colour;
    CNodeDetails* m_details = nullptr;  // a child of the page
    NewRecordQueue m_newRecords;        // from the workers, taken by FlushNewRecords
    // While a batch of new records goes in: their nodes, appended to the root at its end.
    std::vector<TreeNode*>* m_nodeBatch = nullptr;
};

}  // namespace quillet::pages
