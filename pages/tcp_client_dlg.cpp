#include "pages/tcp_client_dlg.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "pages/workspace/endpoint_options.h"
#include "pages/common/failure_cause.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/prompts/socket_options_box.h"
#include "pages/tls/tls_cert_dlg.h"
#include "pages/send/tcp_send_controller.h"
#include "pages/tls/tls_choice.h"
#include "pages/tls/tls_menu_items.h"
#include "skin/skin_btn.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

const QColor kPageColour(200, 220, 240);
const QColor kPromptColour(232, 243, 250);
const QString kLinkMark = QStringLiteral("<->");

QString Wide(const std::string& narrow) {
    return ToQString(enc::ToWide(narrow));
}

}  // namespace

CTcpClientDlg::CTcpClientDlg(QWidget* parent) : CDialogP(kTemplateId, kPageColour, parent) {
    CreateCommonControls(kTree, PageLayout::kStandard);
    m_tree->SetBkColor(kPageColour);
    InitConnectionTree(m_tree);
    UseSending(new TcpSendController(
        SendingSurface(), m_engine, [this](TreeNode* i) { RefreshItem(i); }, /*sendsToAll=*/false));
    CreateButtons();
    for (int id : {kConnect, kDisconnect, kDelete})
        EnableButton(id, false);
}

CTcpClientDlg::~CTcpClientDlg() {
    while (!m_pending.empty())
        CancelConnect(m_pending.begin()->first);
    TearDownPage(m_engine);
}

void CTcpClientDlg::CreateButtons() {
    const int w = m_tree->contentsRect().width();  // the tree's client area
    const int gap = w / 8 + 4;
    const std::pair<int, std::array<int, 4>> top[] = {
        {kCreate, {236, 241, 237, 240}},
        {kConnect, {245, 242, 243, 244}},
        {kDisconnect, {265, 262, 263, 264}},
        {kDelete, {261, 258, 259, 260}},
    };
    const std::function<void()> handlers[] = {
        [this] { OnCreate(); },
        [this] { OnConnect(); },
        [this] { OnDisconnect(); },
        [this] { OnDelete(); },
    };
    int x = 14;
    for (size_t i = 0; i < std::size(top); ++i) {
        AddButton(top[i].first, QRect(x, 5, 51, 24), top[i].second, handlers[i]);
        x += 51 + gap;
    }
    AddViewButtons(kSend, kClearReceived, kClearSent);
}

void CTcpClientDlg::RefreshItem(TreeNode* item) {
    if (!item)
        return;
    for (int id : {kConnect, kDisconnect, kDelete})
        EnableButton(id, false);
    if (!item->parent()) {
        ClearReceivedView();
        ClearSentView();
        return;
    }
    EnableButton(kDelete, true);
    ConnectInfo* rec = RecordOf(item);
    if (!rec)
        return;
    const bool open = Store().MarkRead(rec);
    EnableButton(open ? kDisconnect : kConnect, true);
    SetNodeImage(item, open ? kImageOpen : kImageClosed);
    ShowRecordLogs(rec);
}

void CTcpClientDlg::OnCreate() {
    // Kept until the TLS files are read; a child, so it goes with the page if that goes first.
    auto* dlg = new CDlgSetIp(m_strLastTarget, kPromptColour, this);
    if (ui::ExecModal(dlg) == QDialog::Accepted)
        CreateWhenReady(*dlg, {}, std::nullopt, [dlg](int) { dlg->deleteLater(); });
    else
        delete dlg;
}

std::optional<TlsChoice> CTcpClientDlg::PromptTls(const CPromptDlg& prompt, const TlsChoice* tls,
                                                  QString* typedName) const {
    *typedName = static_cast<const CDlgSetIp&>(prompt).m_strTyped;
    return tls ? *tls : TlsChoice::Load("tcpClient", false);
}

std::unique_ptr<CPromptDlg> CTcpClientDlg::WorkspacePrompt(const EndpointSpec& spec) {
    auto dlg = std::make_unique<CDlgSetIp>(spec.address, kPromptColour, this);
    dlg->Edit(CDlgSetIp::kBoxAddress)->setText(spec.address);
    dlg->Edit(CDlgSetIp::kBoxPort)->setText(QString::number(spec.port));
    dlg->Edit(CDlgSetIp::kBoxCount)->setText(QString::number(spec.count));
    dlg->SetLocal(LocalChoice::FromText(spec.Local().toStdString()));
    dlg->SetOptions(sock::SocketOptions::FromText(spec.SocketOptions().toStdString()));
    return dlg;
}

int CTcpClientDlg::CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions,
                                    const TlsChoice* tls, const TlsMade* made) {
    const auto& dlg = static_cast<const CDlgSetIp&>(prompt);
    if (dlg.m_nPort <= 0 || !Root())
        return 0;
    std::shared_ptr<const tls::Context> tlsContext;
    const TlsChoice choice = tls ? *tls : TlsChoice::Load("tcpClient", false);
    if (choice.enabled) {
        if (!made || !made->context) {
            if (made && !made->error.isEmpty())
                Message(tr("TLS 设置有误: %1").arg(made->error), ui::AppTitle());
            return 0;
        }
        tlsContext = made->context;
    }
    // One connection unless the prompt asks for more; then each of them is connected at once.
    const int count = std::max(1, dlg.m_nCount);
    const std::string dotted = dlg.m_addrTarget.AddressText();
    const QString text = Wide(enc::FormatEndpoint(dotted, dlg.m_nPort));
    std::vector<ConnectInfo*> created;
    TreeNode* node = nullptr;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<ConnectInfo> made(new (std::nothrow) ConnectInfo);
        if (!made) {
            Message(QStringLiteral("pConnectInfo is null"), QStringLiteral("error!"));
            break;
        }
        made->addrServer = dlg.m_addrTarget;
        made->tlsContext = tlsContext;
        // A chosen local address is where each connection is made from (port: any).
        if (dlg.Local().kind == LocalChoice::Kind::kAddress)
            made->addrClient = dlg.Local().address;
        ConnectInfo* rec = m_engine.AddClient(std::move(made));
        if (!dlg.m_alternatives.empty())
            m_nextAddresses[rec->nId] = dlg.m_alternatives;
        if (!dlg.Options().IsDefault())
            m_options[rec->nId] = dlg.Options();
        m_strLastTarget = Wide(dotted);
        node = AddRecordNode(rec, text, kImageClosed);
        created.push_back(rec);
    }
    if (!node)
        return 0;
    EndpointSpec spec;
    spec.address = dlg.Edit(CDlgSetIp::kBoxAddress)->text();
    spec.port = dlg.m_nPort;
    spec.count = count;
    spec.options = TcpOptionsWith(keptOptions, dlg.Local(), dlg.Options(), choice);
    std::vector<MadeEndpoints::Record> records;
    for (const ConnectInfo* rec : created)
        records.push_back({rec->nId, 0});
    m_made.Add(spec, std::move(records));
    m_tree->setCurrentItem(node);
    RefreshItem(node);
    if (count > 1)
        StartConnects(created);
    return static_cast<int>(created.size());
}

void CTcpClientDlg::OnConnect() {
    ConnectInfo* rec = RecordOf(SelectedConnection());
    if (!rec || m_pending.count(rec) || Store().IsOpen(rec))
        return;
    StartConnects({rec});
}

void CTcpClientDlg::StartConnects(const std::vector<ConnectInfo*>& records) {
    auto batch = std::make_shared<ConnectBatch>();
    batch->remaining = static_cast<int>(records.size());
    for (ConnectInfo* rec : records)
        StartConnect(rec, batch);
}

void CTcpClientDlg::StartConnect(ConnectInfo* rec, const std::shared_ptr<ConnectBatch>& batch) {
    const sock::SocketOptions& options = OptionsOf(rec);
    const IpEndpoint from = sock::SourceEndpoint(rec->addrServer, rec->addrClient, options);
    sock::ConnectStart start = sock::StartConnect(rec->addrServer, from.Empty() ? nullptr : &from,
                                                  options.IsDefault() ? nullptr : &options);
    if (!start.ok() && start.failed != sock::Step::kSocket && TryNextAddress(rec)) {
        StartConnect(rec, batch);
        return;
    }
    if (!start.ok()) {
        if (start.failed == sock::Step::kSocket)
            batch->socketError = true;
        EndConnect(batch, true, start.error);
        return;
    }
    if (!start.pending) {
        Connected(rec, std::move(start.socket));
        EndConnect(batch, false);
        return;
    }
    auto* notifier = new QSocketNotifier(start.socket.fd(), QSocketNotifier::Write, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, rec] { OnConnectReady(rec); });
    QTimer* timer = nullptr;
    if (options.connectTimeout > 0) {
        timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("connectTimeout"));
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, rec] { OnConnectTimeout(rec); });
        timer->start(options.connectTimeout * 1000);
    }
    m_pending[rec] = PendingConnect{std::move(start.socket), notifier, batch, timer};
}

const sock::SocketOptions& CTcpClientDlg::OptionsOf(const ConnectInfo* rec) const {
    static const sock::SocketOptions kNone;
    const auto it = m_options.find(rec->nId);
    return it == m_options.end() ? kNone : it->second;
}

QString CTcpClientDlg::NodeNote(ConnectInfo* rec) {
    return DescribeOptions(OptionsOf(rec), false);
}

void CTcpClientDlg::OnConnectReady(ConnectInfo* rec) {
    auto it = m_pending.find(rec);
    if (it == m_pending.end())
        return;
    PendingConnect pending = std::move(it->second);
    m_pending.erase(it);
    pending.notifier->setEnabled(false);
    pending.notifier->deleteLater();  // we are inside its signal
    delete pending.timer;
    pending.timer = nullptr;
    if (const int error = sock::FinishConnect(pending.socket); error != 0) {
        ConnectFailed(rec, std::move(pending), error);
        return;
    }
    Connected(rec, std::move(pending.socket));
    EndConnect(pending.batch, false);
}

void CTcpClientDlg::OnConnectTimeout(ConnectInfo* rec) {
    auto it = m_pending.find(rec);
    if (it == m_pending.end())
        return;
    PendingConnect pending = std::move(it->second);
    m_pending.erase(it);
    delete pending.notifier;
    pending.notifier = nullptr;
    pending.timer->deleteLater();  // we are inside its signal
    ConnectFailed(rec, std::move(pending), ETIMEDOUT);
}

void CTcpClientDlg::ConnectFailed(ConnectInfo* rec, PendingConnect pending, int error) {
    pending.socket.reset();
    if (TryNextAddress(rec)) {
        StartConnect(rec, pending.batch);
        return;
    }
    EndConnect(pending.batch, true, error);
}

void CTcpClientDlg::Connected(ConnectInfo* rec, sock::Socket socket) {
    const IpEndpoint local = sock::LocalAddress(socket.fd()).address;
    Store().AttachSocket(rec, std::move(socket));
    TreeNode* node = NodeOf(rec);
    const bool selected = node && node == m_tree->currentItem();
    if (selected)
        m_recvView->setPlainText(tr("客户端连接成功!"));
    if (node) {
        QString target = node->text(0);
        const int mark = target.indexOf(kLinkMark);
        if (mark >= 0)
            target = target.mid(mark + kLinkMark.size());
        node->setText(0, Wide(local.Label()) + kLinkMark + target);
    }
    if (!m_engine.StartReceive(rec).ok()) {
        // No thread to receive on it: the engine has closed it again.
        SetNodeImage(node, kImageClosed);
        if (selected)
            RefreshItem(node);
        Message(tr("创建接收线程失败!"), ui::AppTitle());
        return;
    }
    if (selected) {
        RefreshItem(node);
    } else {
        // Another node is shown: only this node's icon tells that it is connected.
        SetNodeImage(node, Store().IsUnread(rec) ? kImageOpenUnread : kImageOpen);
    }
}

bool CTcpClientDlg::TryNextAddress(ConnectInfo* rec) {
    auto it = m_nextAddresses.find(rec->nId);
    if (it == m_nextAddresses.end() || it->second.empty())
        return false;
    rec->addrServer = it->second.front();
    it->second.erase(it->second.begin());
    if (TreeNode* node = NodeOf(rec))
        node->setText(0, Wide(rec->addrServer.Label()));
    return true;
}

void CTcpClientDlg::EndConnect(const std::shared_ptr<ConnectBatch>& batch, bool failed, int error) {
    if (failed && !batch->failed)
        batch->error = error;
    batch->failed = batch->failed || failed;
    if (--batch->remaining == 0)
        ReportBatch(*batch);
}

void CTcpClientDlg::ReportBatch(const ConnectBatch& batch) {
    if (batch.socketError)
        Message(WithCause(tr("创建套接字出错!"), batch.error), ui::AppTitle());
    if (batch.failed)
        Message(WithCause(tr("客户端连接失败!"), batch.error), ui::AppTitle());
}

std::shared_ptr<CTcpClientDlg::ConnectBatch> CTcpClientDlg::CancelConnect(ConnectInfo* rec) {
    auto it = m_pending.find(rec);
    if (it == m_pending.end())
        return nullptr;
    PendingConnect pending = std::move(it->second);
    m_pending.erase(it);
    delete pending.notifier;
    delete pending.timer;
    pending.socket.reset();
    // A cancelled connect neither failed nor succeeded; the rest of its batch still reports.
    return --pending.batch->remaining == 0 ? pending.batch : nullptr;
}

void CTcpClientDlg::OnDisconnect() {
    TreeNode* item = SelectedConnection();
    ConnectInfo* rec = RecordOf(item);
    if (!rec)
        return;
    // Dropped before the close, so a writer that the close wakes tells of no loss.
    Store().DropSends(rec);
    if (Store().Disconnect(rec))
        SetNodeImage(item, kImageClosed);
    RefreshItem(item);
}

void CTcpClientDlg::OnDelete() {
    std::shared_ptr<ConnectBatch> ended;
    if (TreeNode* item = SelectedConnection()) {
        if (ConnectInfo* rec = RecordOf(item)) {
            ended = CancelConnect(rec);
            m_nextAddresses.erase(rec->nId);
            m_options.erase(rec->nId);
            FreeRecord(rec->nId, rec);
        }
        m_tree->DeleteItem(item);
    }
    RefreshItem(m_tree->currentItem());
    // Failures of the rest of a batch are told once the record is gone.
    if (ended)
        ReportBatch(*ended);
}

void CTcpClientDlg::TellHandshakeFailure(ConnectInfo* rec) {
    const std::shared_ptr<tls::Session> session = SessionOf(rec);
    if (!session)
        return;
    const tls::State state = session->Snapshot();
    if (state.established || state.failure == tls::Failure::kNone)
        return;
    session->ForgetFailure();  // told once
    Message(tr("TLS 握手失败: %1").arg(TlsFailureText(state.failure)), ui::AppTitle());
}

void CTcpClientDlg::HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) {
    TreeNode* node = NodeOf(pInfo);
    const bool selected = node && node == m_tree->currentItem();
    if (kind == UPDATE_CLOSED) {
        // The end of an earlier connection of a record that has been connected again since.
        if (Store().IsOpen(pInfo))
            return;
        if (Store().IsUnread(pInfo))
            SetNodeImage(node, selected ? kImageClosed : kImageClosedUnread);
        else
            SetNodeImage(node, kImageClosed);
        EnableButton(kDisconnect, false);
        EnableButton(kConnect, true);
        EnableButton(kDelete, true);
        TellHandshakeFailure(pInfo);
    }
}

void CTcpClientDlg::AddNodeItems(QMenu* menu, TreeNode* item) {
    AddTlsMenuItems(menu, this, Store(), RecordOf(SelectedConnection()), RecordOf(item),
                    [this](ConnectInfo* rec) { StartTlsOn(rec); });
}

void CTcpClientDlg::StartTlsOn(ConnectInfo* rec) {
    const uint64_t key = rec->nId;  // TCP records are keyed by id
    StartTlsWithPageOptions(
        "tcpClient", false, this,
        [this, rec, key](std::shared_ptr<const tls::Context> ctx) {
            return Store().IsListed(key, rec) && m_engine.StartTls(rec, std::move(ctx));
        },
        [this](const QString& why) { Message(why, ui::AppTitle()); });
}

}  // namespace quillet::pages
