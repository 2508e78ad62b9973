#include "pages/base/dialog_p.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>

#include <vector>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/thread_check.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_settings.h"
#include "engine/socket_closer.h"
#include "pages/base/page_root.h"
#include "pages/log/recordings.h"
#include "pages/settings/settings_dlg.h"
#include "skin/skin_btn.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

CDialogP::CDialogP(int templateId, const QColor& colour, QWidget* parent)
    : QWidget(parent), EndpointMaker(this), m_colour(colour) {
    setObjectName(QStringLiteral("page%1").arg(templateId));
    resize(PageSize(templateId));
    setFont(ui::SongFont(9));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
    setAutoFillBackground(true);
    m_notifier.setParent(this);
    WatchLogSettings();
}

CDialogP::~CDialogP() {
    // Pages tear down in their own destructors (they own the engines); this is the backstop
    // that keeps late queued notifications from running on a half-destroyed page.
    m_notifier.Close();
    delete m_sending;  // before the windows and views it works on
}

void CDialogP::CreateCommonControls(int treeId, PageLayout layout) {
    const CommonControls c = MakeCommonControls(this, m_colour, treeId, layout);
    m_tree = c.tree;
    m_recvView = c.received;
    m_sentView = c.sent;
    m_sendBox = c.box;
    CreateCountersAndRecordings();
}

SendSurface CDialogP::SendingSurface() {
    SendSurface surface;
    surface.page = this;
    surface.colour = m_colour;
    surface.box = m_sendBox;
    surface.tree = m_tree;
    surface.receivedView = m_recvView;
    surface.sentView = m_sentView;
    surface.store = [this]() -> RecordStore& { return Store(); };
    surface.message = [this](const QString& text, const QString& caption) {
        Message(text, caption);
    };
    surface.openSettings = [this] { OpenSettings(this); };
    return surface;
}

void CDialogP::CreateCountersAndRecordings() {
    NodeDetailsHooks hooks;
    hooks.store = [this]() -> RecordStore& { return Store(); };
    hooks.recordOf = [](const TreeNode* item) { return RecordOf(item); };
    hooks.selected = [this] { return RecordOf(SelectedConnection()); };
    hooks.sendingMenu = [this] { return m_sending->MakeTreeMenu(); };
    hooks.pageItems = [this](QMenu* menu, TreeNode* item) { AddNodeItems(menu, item); };
    hooks.note = [this](ConnectInfo* rec) { return NodeNote(rec); };
    hooks.click = [this](TreeNode* item) { OnItemClick(item); };
    m_details = new CNodeDetails(this, m_tree, std::move(hooks));
}

ui::CSkinBtn* CDialogP::AddButton(int id, const QRect& rect, const std::array<int, 4>& bitmaps,
                                  std::function<void()> onClick) {
    for (auto& slot : m_buttons) {
        if (slot)
            continue;
        slot = ui::CSkinBtn::Create(this, id, rect, bitmaps);
        if (onClick)
            connect(slot, &ui::CSkinBtn::clicked, this, [onClick](int) { onClick(); });
        return slot;
    }
    return nullptr;
}

ui::CSkinBtn* CDialogP::Button(int id) const {
    for (auto* b : m_buttons)
        if (b && b->id() == id)
            return b;
    return nullptr;
}

void CDialogP::EnableButton(int id, bool enable) {
    if (auto* b = Button(id))
        b->setEnabled(enable);
}

int CDialogP::TreeClientWidth() const {
    return m_tree ? m_tree->contentsRect().width() : 0;
}

void CDialogP::InitConnectionTree(CTreeCtrlEx* tree) {
    MakeRootNode(tree, this);
}

bool CDialogP::CloseAllConnections(CTreeCtrlEx* tree, RecordStore& store) {
    m_newRecords.Clear();  // their records are listed and go with the store's
    if (m_sending)
        m_sending->EndSendsOf(nullptr, tr("连接已关闭"));
    TreeNode* root = tree ? tree->topLevelItem(0) : nullptr;
    std::vector<ConnectInfo*> shown;
    for (int i = 0; root && i < root->childCount(); ++i)
        if (auto* rec = RecordOf(root->child(i)))
            shown.push_back(rec);
    for (CLogView* view : {m_recvView, m_sentView}) {
        if (!view)
            continue;
        view->Forget(nullptr);  // also ends a save still copying a log: every record goes
        view->clear();
    }
    if (m_details)
        m_details->Recordings()->StopAll();  // before the records they are set on go
    store.CloseAndFreeAll(shown);
    if (root) {
        if (auto* state = CTreeCtrlEx::ItemData<ServerState>(root)) {
            if (state->bActive)
                sock::CloseSocket(state->sock);
            delete state;
            CTreeCtrlEx::SetItemData(root, nullptr);
        }
    }
    if (tree) {
        for (int i = 0; root && i < root->childCount(); ++i)
            CTreeCtrlEx::SetItemData(root->child(i), nullptr);
        tree->clear();
    }
    return true;
}

void CDialogP::ShowSentLog(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    m_sentView->ShowRecord(&Store(), rec, ChunkDir::kSent);
}

void CDialogP::OnNewConnection(ConnectInfo* pInfo, uint64_t key) {
    // The record is listed already: the worker goes on, and the page takes every record that
    // came meanwhile in one pass.
    if (m_newRecords.Add(key, pInfo))
        m_notifier.Post(0, &m_newRecords, [this] { FlushNewRecords(); });
}

void CDialogP::FlushNewRecords() {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    std::vector<NewRecordQueue::Item> batch = m_newRecords.Take();
    TreeNode* root = Root();
    if (batch.empty() || !root)
        return;
    std::vector<TreeNode*> nodes;
    nodes.reserve(batch.size());
    m_nodeBatch = &nodes;
    for (const NewRecordQueue::Item& item : batch) {
        // A record deleted while its news waited is gone; one whose key and address came back
        // for a new record may be queued twice, but gets one node.
        if (!item.record->hItem && Store().IsListed(item.key, item.record))
            HandleNewConnection(item.record);
    }
    m_nodeBatch = nullptr;
    if (!nodes.empty()) {
        m_tree->AppendItems(root, nodes);  // one notice: the tree lays out once for the batch
        root->setExpanded(true);
    }
}

void CDialogP::OnConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind, uint64_t key) {
    switch (kind) {
        case UPDATE_REPLIED:
        case UPDATE_SENT:
            // What a writer finished or a receive thread replied is booked in the record: the
            // worker goes on, and one look logs everything booked before it.
            m_notifier.Post(key, &pInfo->sendQueue, [this, pInfo, key] {
                FlushNewRecords();
                QString failure;
                if (Store().IsListed(key, pInfo))
                    failure = m_sending->HandleSendNews(pInfo);
                if (!failure.isEmpty())
                    Message(failure, tr("提示"));
            });
            return;
        case UPDATE_DATA:
            // New data is already in the record: the worker need not wait for the page to look,
            // and one look sees every chunk that came before it. The page checks the record again
            // there.
            m_notifier.Post(key, pInfo, [this, pInfo, key] {
                FlushNewRecords();
                if (Store().IsListed(key, pInfo))
                    ShowDataNews(pInfo);
                TellLostChunksOnce();  // without the lock: the box waits for the user
            });
            return;
        case UPDATE_CLOSED:
            // The worker goes on (its thread ends) without waiting for the page: when thousands
            // of peers leave at once, waiting workers would crowd the window's thread out. Its
            // news keeps its place after the worker's data news; a record's socket field names
            // it apart from that news.
            m_notifier.Post(key, &pInfo->sock, [this, pInfo, kind, key] {
                FlushNewRecords();
                if (!Store().IsListed(key, pInfo))
                    return;
                HandleConnectionUpdate(pInfo, kind);
                m_sending->EndSendsOf(pInfo, tr("连接已关闭"));
            });
            return;
    }
}

void CDialogP::TellLostChunksOnce() {
    static bool told = false;
    if (told || FailedLogBytesTotal() == 0)
        return;
    told = true;
    Message(tr("内存不足：收到的部分数据未能记入日志（收到的字节数仍已计入）。程序继续运行。"),
            tr("提示"));
}

TreeNode* CDialogP::Root() const {
    return m_tree ? m_tree->topLevelItem(0) : nullptr;
}

ServerState* CDialogP::RootState() const {
    TreeNode* root = Root();
    return root ? CTreeCtrlEx::ItemData<ServerState>(root) : nullptr;
}

ConnectInfo* CDialogP::RecordOf(const TreeNode* item) {
    if (!item || !item->parent())
        return nullptr;  // the root carries a ServerState
    return CTreeCtrlEx::ItemData<ConnectInfo>(item);
}

TreeNode* CDialogP::NodeOf(const ConnectInfo* rec) {
    return rec ? static_cast<TreeNode*>(rec->hItem) : nullptr;
}

void CDialogP::SetNodeImage(TreeNode* item, int image) {
    if (item && CTreeCtrlEx::GetItemImage(item) != image)
        m_tree->SetItemImage(item, image);
}

void CDialogP::SetNodeImage(ConnectInfo* rec, int image) {
    SetNodeImage(NodeOf(rec), image);
}

TreeNode* CDialogP::AddRecordNode(ConnectInfo* rec, const QString& text, int image) {
    // In a batch the node is made whole first and joins the root with the rest of the batch.
    TreeNode* node = m_nodeBatch ? new TreeNode(text) : m_tree->InsertItem(text, Root());
    rec->hItem = node;
    Store().SetLabel(rec, text.toStdString());
    CTreeCtrlEx::SetItemData(node, rec);
    m_tree->SetItemImage(node, image);
    if (m_nodeBatch)
        m_nodeBatch->push_back(node);
    else if (Root())
        Root()->setExpanded(true);
    return node;
}

TreeNode* CDialogP::SelectedConnection() const {
    TreeNode* item = m_tree ? m_tree->currentItem() : nullptr;
    return item && item->parent() ? item : nullptr;
}

void CDialogP::FreeRecord(uint64_t key, ConnectInfo* rec) {
    if (!rec)
        return;
    m_sending->EndSendsOf(rec, tr("连接已删除"));
    m_recvView->Forget(rec);
    m_sentView->Forget(rec);
    if (m_details)
        m_details->Recordings()->Forget(rec);
    if (auto* node = NodeOf(rec))
        CTreeCtrlEx::SetItemData(node, nullptr);
    Store().Delete(key, rec);
}

void CDialogP::ShowDataNews(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    TreeNode* node = NodeOf(rec);
    if (node && node == m_tree->currentItem()) {
        if (m_liveViewReads)
            Store().MarkRead(rec);
        m_recvView->DataArrived(&Store(), rec, ChunkDir::kReceived);
    } else {
        SetNodeImage(node, kImageOpenUnread);
    }
    m_sending->DataArrived(rec);
}

void CDialogP::AddPeerNode(ConnectInfo* pInfo) {
    if (!Root())
        return;
    if (!pInfo) {
        Message(QStringLiteral("pConnectInfo is null"), QStringLiteral("error!"));
        return;
    }
    AddRecordNode(pInfo, ToQString(enc::ToWide(pInfo->addrClient.Label())), kImageOpen);
}

void CDialogP::ShowRecordLogs(ConnectInfo* rec) {
    m_recvView->ShowRecord(&Store(), rec, ChunkDir::kReceived);
    m_sentView->ShowRecord(&Store(), rec, ChunkDir::kSent);
}

void CDialogP::ClearReceivedView() {
    m_recvView->clear();
}

void CDialogP::ClearSentView() {
    m_sentView->clear();
}

void CDialogP::AddViewButtons(int sendId, int clearReceivedId, int clearSentId) {
    AddButton(sendId, ButtonAbove(m_sendBox, 61, m_sendBox->y() - 26), {257, 254, 255, 256},
              [this] { m_sending->Send(); });
    AddButton(clearReceivedId, ButtonAbove(m_recvView, 101, 5), {253, 250, 251, 252},
              [this] { ClearSelected(ChunkDir::kReceived); });
    AddButton(clearSentId, ButtonAbove(m_sentView, 101, m_sentView->y() - 26), {249, 246, 247, 248},
              [this] { ClearSelected(ChunkDir::kSent); });
}

void CDialogP::DeleteSelected(const std::function<uint64_t(const ConnectInfo&)>& keyOf,
                              const std::function<void(TreeNode*)>& refresh) {
    if (TreeNode* item = SelectedConnection()) {
        if (ConnectInfo* rec = RecordOf(item))
            FreeRecord(keyOf(*rec), rec);
        m_tree->DeleteItem(item);
    }
    refresh(m_tree->currentItem());
}

void CDialogP::ClearSelected(ChunkDir dir) {
    TreeNode* item = SelectedConnection();
    if (!item) {
        Message(tr("未选择要清除的连接"), tr("提示"));
        return;
    }
    if (ConnectInfo* rec = RecordOf(item)) {
        const bool received = dir == ChunkDir::kReceived;
        received ? Store().ClearReceived(rec) : Store().ClearSent(rec);
        (received ? m_recvView : m_sentView)->clear();
    }
}

void CDialogP::Message(const QString& text, const QString& caption) {
    if (m_tell)
        m_tell(text);
    else
        ui::ShowMessage(this, text, caption);
}

bool CDialogP::StillListed(uint64_t key) {
    return Store().Contains(key);
}

bool CDialogP::ServerKept() const {
    const ServerState* state = RootState();
    return state && state->nPort > 0;
}

void CDialogP::keyPressEvent(QKeyEvent* event) {
    // Escape never closes or hides a page; Enter is no default button here either.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace quillet::pages
