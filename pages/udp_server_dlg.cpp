#include "pages/udp_server_dlg.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include <cerrno>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "pages/workspace/endpoint_options.h"
#include "pages/common/failure_cause.h"
#include "pages/prompts/local_choice.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/send/udp_send_controller.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {
const QColor kPageColour(170, 220, 250);
}

CUdpServerDlg::CUdpServerDlg(QWidget* parent) : CDialogP(kTemplateId, kPageColour, parent) {
    CreateCommonControls(kTree, PageLayout::kStandard);
    m_liveViewReads = true;
    m_tree->SetBkColor(kPageColour);
    InitConnectionTree(m_tree);
    // A stopped server has no socket (-1), so a send fails as it should.
    auto datagram = [this](ConnectInfo* rec, const char* data, int len) {
        const ServerState* state = RootState();
        return state ? UdpEngine::SendTo(state->sock, data, len, rec->addrClient) : -1;
    };
    UseSending(new UdpSendController(
        SendingSurface(), &m_engine.AutoReplies(), datagram, [this](TreeNode* i) { Refresh(i); },
        /*sendsToAll=*/true));
    CreateButtons();
}

CUdpServerDlg::~CUdpServerDlg() {
    TearDownPage(m_engine);
}

void CUdpServerDlg::CreateButtons() {
    // The top row: each button one gap to the right of the previous one.
    const int gap = TreeClientWidth() / 4 / 2 + 4;
    int left = 14;
    auto topRow = [&](int id, const std::array<int, 4>& bitmaps, std::function<void()> run) {
        AddButton(id, QRect(left, 5, 51, 24), bitmaps, std::move(run));
        left += 51 + gap;
    };
    topRow(kCreate, {236, 241, 237, 240}, [this] { OnCreate(); });
    topRow(kStartReceive, {281, 278, 279, 280}, [this] { OnStartReceive(); });
    topRow(kStopReceive, {277, 274, 275, 276}, [this] { OnStopReceive(); });
    topRow(kDelete, {261, 258, 259, 260}, [this] { OnDelete(); });
    AddViewButtons(kSend, kClearReceived, kClearSent);
    EnableButton(kStartReceive, false);
    EnableButton(kStopReceive, false);
    EnableButton(kDelete, false);
}

void CUdpServerDlg::OnCreate() {
    CSetListenDlg prompt(PageColour(), nullptr, "udpServer");
    if (ui::ExecModal(&prompt) == QDialog::Accepted)
        CreateFromPrompt(prompt);
}

std::unique_ptr<CPromptDlg> CUdpServerDlg::WorkspacePrompt(const EndpointSpec& spec) {
    auto prompt = std::make_unique<CSetListenDlg>(PageColour(), nullptr, "udpServer");
    prompt->Edit(CSetListenDlg::kBoxPort)->setText(QString::number(spec.port));
    prompt->SetLocal(LocalChoice::FromText(spec.Local().toStdString()));
    return prompt;
}

int CUdpServerDlg::CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions,
                                    const TlsChoice*, const TlsMade*) {
    const auto& dlg = static_cast<const CSetListenDlg&>(prompt);
    TreeNode* root = Root();
    if (dlg.m_nPort <= 0 || !root)
        return 0;
    ServerState* state = RootState();
    if (!state) {
        Message(tr("获取节点数据错误"), tr("获取节点数据错误"));
        return 0;
    }
    // The port never changes once set.
    if (state->nPort >= 1) {
        if (Telling())  // a workspace's server, on a page that has one
            Message(tr("本页已有服务器（端口 %1）").arg(state->nPort), tr("提示"));
        return 0;
    }
    state->nPort = dlg.m_nPort;
    m_listenOn = ServerEndpoint(dlg.Local(), state->nPort);
    root->setText(
        0, ToQString(enc::ToWide(ServerRootText(dlg.Local(), state->strHost, state->nPort))));
    EndpointSpec spec;
    spec.port = dlg.m_nPort;
    spec.options = OptionsWith(keptOptions, dlg.Local());
    m_made.Add(spec, {});
    OnStartReceive();
    m_tree->setCurrentItem(root);
    Refresh(root);
    return state->bActive ? 1 : 0;
}

void CUdpServerDlg::OnStartReceive() {
    ServerState* state = RootState();
    if (!state || state->bActive)
        return;
    if (state->nPort < 1) {
        Message(tr("监听端口不正确"), tr("错误！"));
        return;
    }
    const sock::Started bound = m_engine.Bind(m_listenOn);
    if (!bound.ok()) {
        Message(WithCause(tr("监听启动失败"), bound.error), tr("错误！"));
        return;
    }
    SetNodeImage(Root(), kImageEndpointActive);
    state->bActive = true;
    state->sock = bound.fd;
    EnableButton(kStartReceive, false);
    EnableButton(kStopReceive, true);
    RefreshPeerIcons();
}

void CUdpServerDlg::OnStopReceive() {
    ServerState* state = RootState();
    if (!state)
        return;
    SetNodeImage(Root(), kImageEndpointIdle);
    // The closed number may belong to another socket soon: never keep it for Send.
    if (state->sock != -1)
        m_engine.CloseSocket(state->sock);
    state->sock = -1;
    state->bActive = false;
    EnableButton(kStartReceive, true);
    EnableButton(kStopReceive, false);
    RefreshPeerIcons();
}

int CUdpServerDlg::PeerImage(bool unread) const {
    const ServerState* state = RootState();
    const bool active = state && state->bActive;
    if (unread)
        return active ? kImageOpenUnread : kImageClosedUnread;
    return active ? kImageOpen : kImageClosed;
}

void CUdpServerDlg::RefreshPeerIcons() {
    TreeNode* root = Root();
    if (!root)
        return;
    for (int i = 0; i < root->childCount(); ++i)
        if (ConnectInfo* rec = RecordOf(root->child(i)))
            SetNodeImage(root->child(i), PeerImage(Store().IsUnread(rec)));
}

void CUdpServerDlg::Refresh(TreeNode* item) {
    if (!item)
        return;
    if (!item->parent()) {
        EnableButton(kStartReceive, false);
        EnableButton(kStopReceive, false);
        EnableButton(kDelete, false);
        if (const ServerState* state = RootState(); state && state->nPort > 0) {
            EnableButton(kStopReceive, state->bActive);
            EnableButton(kStartReceive, !state->bActive);
        }
        ClearReceivedView();
        ClearSentView();
        return;
    }
    EnableButton(kStartReceive, false);
    EnableButton(kStopReceive, false);
    EnableButton(kDelete, true);
    ConnectInfo* rec = RecordOf(item);
    if (!rec)
        return;
    Store().MarkRead(rec);
    const ServerState* state = RootState();
    SetNodeImage(item, state && state->bActive ? kImageOpen : kImageClosed);
    ShowRecordLogs(rec);
}

void CUdpServerDlg::HandleNewConnection(ConnectInfo* pInfo) {
    AddPeerNode(pInfo);
}

void CUdpServerDlg::HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) {
    TreeNode* node = NodeOf(pInfo);
    if (kind == UPDATE_CLOSED) {
        SetNodeImage(node, Store().IsUnread(pInfo) ? kImageClosedUnread : kImageClosed);
    }
}

void CUdpServerDlg::OnDelete() {
    DeleteSelected([](const ConnectInfo& r) { return UdpKey(r.addrClient); },
                   [this](TreeNode* i) { Refresh(i); });
}

}  // namespace quillet::pages
