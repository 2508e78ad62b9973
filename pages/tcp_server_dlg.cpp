#include "pages/tcp_server_dlg.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

#include <cerrno>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "pages/workspace/endpoint_options.h"
#include "pages/common/failure_cause.h"
#include "pages/prompts/local_choice.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/prompts/socket_options_box.h"
#include "pages/send/tcp_send_controller.h"
#include "pages/tls/tls_choice.h"
#include "pages/tls/tls_menu_items.h"
#include "skin/skin_btn.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

const QColor kPageColour(232, 243, 250);
const QColor kPromptColour(232, 243, 250);

// The refusal news has a key of its own; its record is the engine, never a connection's.
constexpr uint64_t kRefusedNewsKey = 0;

}  // namespace

CTcpServerDlg::CTcpServerDlg(QWidget* parent) : CDialogP(kTemplateId, kPageColour, parent) {
    CreateCommonControls(kTree, PageLayout::kTcpServer);
    m_tree->SetBkColor(kPageColour);
    InitConnectionTree(m_tree);
    UseSending(new TcpSendController(
        SendingSurface(), m_engine, [this](TreeNode* i) { RefreshItem(i); }, /*sendsToAll=*/true));
    m_sendBox->setFocus();
    CreateButtons();
    for (int id : {kListen, kStopListen, kDisconnect, kDelete})
        EnableButton(id, false);
}

CTcpServerDlg::~CTcpServerDlg() {
    TearDownPage(m_engine);
}

void CTcpServerDlg::CreateButtons() {
    const int w = m_tree->contentsRect().width();  // the tree's client area
    const int gap = (w / 5 - 24) / 2;
    const std::pair<int, std::array<int, 4>> top[] = {
        {kCreate, {236, 241, 237, 240}},     {kListen, {273, 270, 271, 272}},
        {kStopListen, {269, 266, 267, 268}}, {kDisconnect, {265, 262, 263, 264}},
        {kDelete, {261, 258, 259, 260}},
    };
    const std::function<void()> handlers[] = {
        [this] { OnCreate(); },
        [this] { OnListen(); },
        [this] { OnStopListen(); },
        [this] { OnDisconnect(); },
        [this] {
            DeleteSelected([](const ConnectInfo& r) { return uint64_t{r.nId}; },
                           [this](TreeNode* i) { RefreshItem(i); });
        },
    };
    int x = 14;
    for (size_t i = 0; i < std::size(top); ++i) {
        AddButton(top[i].first, QRect(x, 5, 51, 24), top[i].second, handlers[i]);
        x += 51 + gap;
    }
    AddViewButtons(kSend, kClearReceived, kClearSent);
}

void CTcpServerDlg::RefreshItem(TreeNode* item) {
    if (!item)
        return;
    for (int id : {kDisconnect, kDelete, kListen, kStopListen})
        EnableButton(id, false);
    if (!item->parent()) {
        ServerState* state = RootState();
        if (state && state->nPort > 0)
            EnableButton(state->bActive ? kStopListen : kListen, true);
        ClearReceivedView();
        ClearSentView();
        return;
    }
    EnableButton(kDelete, true);
    ConnectInfo* rec = RecordOf(item);
    if (!rec)
        return;
    const bool open = Store().MarkRead(rec);
    if (open)
        EnableButton(kDisconnect, true);
    SetNodeImage(item, open ? kImageOpen : kImageClosed);
    ShowRecordLogs(rec);
}

void CTcpServerDlg::OnCreate() {
    // Kept until the TLS files are read; a child, so it goes with the page if that goes first.
    auto* dlg = new CSetListenDlg(kPromptColour, this, "tcpServer");
    if (ui::ExecModal(dlg) == QDialog::Accepted)
        CreateWhenReady(*dlg, {}, std::nullopt, [dlg](int) { dlg->deleteLater(); });
    else
        delete dlg;
}

std::optional<TlsChoice> CTcpServerDlg::PromptTls(const CPromptDlg& prompt, const TlsChoice* tls,
                                                  QString* typedName) const {
    (void)prompt, (void)typedName;
    return tls ? *tls : TlsChoice::Load("tcpServer", true);
}

std::unique_ptr<CPromptDlg> CTcpServerDlg::WorkspacePrompt(const EndpointSpec& spec) {
    auto dlg = std::make_unique<CSetListenDlg>(kPromptColour, this, "tcpServer");
    dlg->Edit(CSetListenDlg::kBoxPort)->setText(QString::number(spec.port));
    dlg->SetLocal(LocalChoice::FromText(spec.Local().toStdString()));
    dlg->SetOptions(sock::SocketOptions::FromText(spec.SocketOptions().toStdString()));
    return dlg;
}

int CTcpServerDlg::CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions,
                                    const TlsChoice* tls, const TlsMade* made) {
    const auto& dlg = static_cast<const CSetListenDlg&>(prompt);
    if (dlg.m_nPort <= 0 || !Root())
        return 0;
    ServerState* state = RootState();
    if (!state) {
        Message(tr("获取节点数据错误"), tr("获取节点数据错误"));
        return 0;
    }
    if (state->nPort > 0) {
        if (Telling())  // a workspace's server, on a page that has one
            Message(tr("本页已有服务器（端口 %1）").arg(state->nPort), tr("提示"));
        return 0;
    }
    const TlsChoice choice = tls ? *tls : TlsChoice::Load("tcpServer", true);
    if (!ConfigureTls(choice, made))
        return 0;
    state->nPort = dlg.m_nPort;
    m_listenOn = ServerEndpoint(dlg.Local(), state->nPort);
    m_options = dlg.Options();
    Root()->setText(
        0, ToQString(enc::ToWide(ServerRootText(dlg.Local(), state->strHost, state->nPort))));
    Root()->setToolTip(0, DescribeOptions(m_options, true));
    EndpointSpec spec;
    spec.port = dlg.m_nPort;
    spec.options = TcpOptionsWith(keptOptions, dlg.Local(), m_options, choice);
    m_made.Add(spec, {});
    OnListen();
    RefreshItem(Root());
    return state->bActive ? 1 : 0;
}

bool CTcpServerDlg::ConfigureTls(const TlsChoice& choice, const TlsMade* made) {
    std::shared_ptr<const tls::Context> ctx;
    if (choice.enabled) {
        if (!made || !made->context) {
            if (made && !made->error.isEmpty())
                Message(tr("TLS 设置有误: %1").arg(made->error), tr("错误！"));
            return false;
        }
        ctx = made->context;
    }
    m_engine.SetServerTls(std::move(ctx));
    return true;
}

void CTcpServerDlg::OnListen() {
    ServerState* state = RootState();
    if (!state || state->bActive)
        return;
    if (state->nPort <= 0) {
        Message(tr("监听端口不正确"), tr("错误！"));
        return;
    }
    const sock::Started listening = m_engine.Listen(m_listenOn, m_options);
    if (!listening.ok()) {
        Message(WithCause(tr("监听启动失败"), listening.error), tr("错误！"));
        return;
    }
    SetNodeImage(Root(), kImageEndpointActive);
    state->bActive = true;
    state->sock = listening.fd;
    EnableButton(kListen, false);
    EnableButton(kStopListen, true);
}

void CTcpServerDlg::OnStopListen() {
    ServerState* state = RootState();
    if (!state || !state->bActive)
        return;
    SetNodeImage(Root(), kImageEndpointIdle);
    TcpEngine::CloseSocket(state->sock);
    state->sock = -1;
    state->bActive = false;
    EnableButton(kListen, true);
    EnableButton(kStopListen, false);
}

void CTcpServerDlg::OnDisconnect() {
    TreeNode* item = SelectedConnection();
    if (!item)
        return;
    ConnectInfo* rec = RecordOf(item);
    // What waits for the peer goes with the connection: dropped before the close, so a writer
    // that the close wakes finds no queue and tells of no loss.
    if (rec)
        Store().DropSends(rec);
    if (rec && Store().Disconnect(rec))
        SetNodeImage(item, kImageClosed);
    RefreshItem(item);
}

void CTcpServerDlg::HandleNewConnection(ConnectInfo* pInfo) {
    AddPeerNode(pInfo);
}

void CTcpServerDlg::HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) {
    TreeNode* node = NodeOf(pInfo);
    if (kind == UPDATE_CLOSED) {
        SetNodeImage(node, Store().IsUnread(pInfo) ? kImageClosedUnread : kImageClosed);
        EnableButton(kDisconnect, false);
    }
}

QString CTcpServerDlg::NodeNote(ConnectInfo* rec) {
    (void)rec;  // every connection has the server's
    return DescribeOptions(m_options, true, true);
}

void CTcpServerDlg::OnConnectionsRefused(unsigned total) {
    (void)total;  // the handler reads the latest count
    m_notifier.Post(kRefusedNewsKey, &m_engine, [this] { ShowRefused(); });
}

void CTcpServerDlg::ShowRefused() {
    QStringList lines;
    if (const unsigned refused = m_engine.RefusedConnections(); refused > 0)
        lines << tr("描述符不足，已拒绝 %1 个连接").arg(refused);
    if (const unsigned noThread = m_engine.ConnectionsWithoutThread(); noThread > 0)
        lines << tr("无法创建接收线程，已关闭 %1 个连接").arg(noThread);
    const QString text = lines.join(QLatin1Char('\n'));
    if (TreeNode* root = Root()) {
        const QString options = DescribeOptions(m_options, true);
        root->setToolTip(0, options.isEmpty() ? text : options + QLatin1Char('\n') + text);
    }
    if (m_refusedNote) {
        m_refusedNote->setText(text);
        return;
    }
    m_refusedNote = new QMessageBox(QMessageBox::NoIcon, tr("提示"), text, QMessageBox::Ok, this);
    m_refusedNote->setObjectName(QStringLiteral("refusedNote"));
    m_refusedNote->setWindowModality(Qt::NonModal);
    m_refusedNote->show();
}

void CTcpServerDlg::AddNodeItems(QMenu* menu, TreeNode* item) {
    AddTlsMenuItems(menu, this, Store(), RecordOf(SelectedConnection()), RecordOf(item),
                    [this](ConnectInfo* rec) { StartTlsOn(rec); });
}

void CTcpServerDlg::StartTlsOn(ConnectInfo* rec) {
    const uint64_t key = rec->nId;  // TCP records are keyed by id
    StartTlsWithPageOptions(
        "tcpServer", true, this,
        [this, rec, key](std::shared_ptr<const tls::Context> ctx) {
            return Store().IsListed(key, rec) && m_engine.StartTls(rec, std::move(ctx));
        },
        [this](const QString& why) { Message(why, ui::AppTitle()); });
}

}  // namespace quillet::pages
