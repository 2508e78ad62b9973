#include "pages/udp_client_dlg.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/endpoint.h"
#include "engine/local_address.h"
#include "pages/workspace/endpoint_options.h"
#include "pages/common/engine_names.h"
#include "pages/common/failure_cause.h"
#include "pages/prompts/prompt_input.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "pages/send/udp_send_controller.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

const QColor kPageColour(230, 240, 240);

sockaddr_in HostEndpoint(const std::string& host, int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = ParseDotted(host);
    return addr;
}

// What the user is told when an endpoint's socket could not be made.
QString EndpointFailureText(sock::Step failed) {
    switch (failed) {
        case sock::Step::kSocket:
            return QCoreApplication::translate("quillet::pages::CUdpClientDlg", "创建套接字失败");
        case sock::Step::kBroadcast:
            return QCoreApplication::translate("quillet::pages::CUdpClientDlg", "设置广播参数出错");
        case sock::Step::kJoinGroup:
            return QCoreApplication::translate("quillet::pages::CUdpClientDlg", "加入组播组出错");
        case sock::Step::kGroupOptions:
            return QCoreApplication::translate("quillet::pages::CUdpClientDlg", "设置组播参数出错");
        default:
            return QCoreApplication::translate("quillet::pages::CUdpClientDlg", "绑定本地端口出错");
    }
}

}  // namespace

CUdpClientDlg::CUdpClientDlg(QWidget* parent)
    : CUdpClientDlg(kTemplateId, PageLayout::kStandard, parent) {
    CreatePageButtons(0);
}

CUdpClientDlg::CUdpClientDlg(int templateId, PageLayout layout, QWidget* parent)
    : CDialogP(templateId, kPageColour, parent) {
    CreateCommonControls(kTree, layout);
    m_liveViewReads = true;
    m_tree->SetBkColor(kPageColour);
    InitConnectionTree(m_tree);
    auto datagram = [](ConnectInfo* rec, const char* data, int len) {
        return UdpEngine::SendOnRecord(rec, data, len, rec->addrServer);
    };
    UseSending(new UdpSendController(
        SendingSurface(), &m_engine.AutoReplies(), datagram, [this](TreeNode* i) { Refresh(i); },
        /*sendsToAll=*/false));
}

CUdpClientDlg::~CUdpClientDlg() {
    TearDownPage(m_engine);
}

int CUdpClientDlg::CreatePageButtons(int sendOnly) {
    AddButton(kCreate, QRect(14, 5, 51, 24), {236, 241, 237, 240}, [this] { OnCreate(); });
    const int gap = TreeClientWidth() / 2 / 2 + 155;
    AddButton(kDelete, QRect(65 + gap, 5, 51, 24), {261, 258, 259, 260}, [this] { OnDelete(); });
    AddButton(kSend, ButtonAbove(m_sendBox, 61, m_sendBox->y() - 26), {257, 254, 255, 256},
              [this] { Sending()->Send(); });
    if (!sendOnly) {
        AddButton(kClearReceived, ButtonAbove(m_recvView, 101, 5), {253, 250, 251, 252},
                  [this] { OnClearReceived(); });
    }
    const int sentTop = sendOnly ? 5 : m_sentView->y() - 26;
    AddButton(kClearSent, ButtonAbove(m_sentView, 101, sentTop), {249, 246, 247, 248},
              [this] { OnClearSent(); });
    EnableButton(kDelete, false);
    return 0;
}

bool CUdpClientDlg::IsLocalPortTaken(int port) const {
    const ServerState* state = RootState();
    if (!state)
        return false;
    return m_engine.m_store.Contains(UdpKey(HostEndpoint(state->strHost, port)));
}

void CUdpClientDlg::OnCreate() {
    CSetUdpServerIp prompt(this, m_strLastPeer, kPromptColour, this);
    if (ui::ExecModal(&prompt) == QDialog::Accepted)
        CreateFromPrompt(prompt);
}

std::unique_ptr<CPromptDlg> CUdpClientDlg::WorkspacePrompt(const EndpointSpec& spec) {
    auto prompt = std::make_unique<CSetUdpServerIp>(this, m_strLastPeer, kPromptColour, this);
    FillPeerPrompt(prompt.get(), spec);
    return prompt;
}

void CUdpClientDlg::FillPeerPrompt(CSetUdpServerIp* prompt, const EndpointSpec& spec) {
    prompt->Edit(CSetUdpServerIp::kBoxAddress)->setText(spec.address);
    prompt->Edit(CSetUdpServerIp::kBoxPeerPort)->setText(QString::number(spec.port));
    prompt->Edit(CSetUdpServerIp::kBoxLocalPort)->setText(QString::number(spec.localPort));
    prompt->Edit(CSetUdpServerIp::kBoxCount)->setText(QString::number(spec.count));
    prompt->SetLocal(LocalChoice::FromText(spec.Local().toStdString()));
}

int CUdpClientDlg::CreateFromPrompt(CPromptDlg& dlg, const QJsonObject& keptOptions,
                                    const TlsChoice*, const TlsMade*) {
    const auto& prompt = static_cast<const CSetUdpServerIp&>(dlg);
    if (prompt.m_nPeerPort <= 0 || prompt.m_nLocalPort <= 0)
        return 0;
    m_createFrom = prompt.Local();
    auto made = CreateEndpoints(prompt.m_addrPeer, prompt.m_nPeerPort, prompt.m_nLocalPort,
                                prompt.m_nClientCount);
    const int count = static_cast<int>(made.size());
    RememberMade(prompt, keptOptions, std::move(made));
    return count;
}

void CUdpClientDlg::RememberMade(const CSetUdpServerIp& prompt, const QJsonObject& keptOptions,
                                 std::vector<MadeEndpoints::Record> records) {
    if (records.empty())
        return;
    EndpointSpec spec;
    spec.address = prompt.Edit(CSetUdpServerIp::kBoxAddress)->text();
    spec.port = prompt.m_nPeerPort;
    spec.localPort = prompt.m_nLocalPort;
    spec.count = static_cast<int>(records.size());
    spec.options = OptionsWith(keptOptions, prompt.Local());
    m_made.Add(spec, std::move(records));
}

std::vector<MadeEndpoints::Record> CUdpClientDlg::CreateEndpoints(const IpEndpoint& peer,
                                                                  int peerPort, int localPort,
                                                                  int count,
                                                                  const sock::UdpOptions& options) {
    std::vector<MadeEndpoints::Record> made;
    if (!Root())
        return made;
    // The prompt checked the first port; later ones may be this page's already.
    for (int i = 0; i < std::max(count, 1); ++i) {
        if (i > 0 && IsLocalPortTaken(localPort + i)) {
            Message(tr("本地端口已经被占用!"), ui::AppTitle());
            return made;
        }
        uint64_t key = 0;
        if (!CreateEndpoint(peer, peerPort, localPort + i, options, {}, &key))
            return made;
        made.push_back({key, localPort + i});
    }
    return made;
}

IpEndpoint CUdpClientDlg::EndpointLocal(const IpEndpoint& peer, int localPort, std::string* label) {
    const ServerState* state = RootState();
    using Kind = LocalChoice::Kind;
    if (m_createFrom.kind == Kind::kAddress) {
        IpEndpoint at = m_createFrom.address;
        at.SetPort(localPort);
        *label = at.AddressText();
        return at;
    }
    if (m_createFrom.kind == Kind::kDefault && !peer.IsV6() && state) {
        *label = state->strHost;
        return HostEndpoint(state->strHost, localPort);
    }
    // Automatic, and the default for an IPv6 peer (the host address is IPv4).
    IpEndpoint at = RouteSourceFor(peer);
    if (at.Empty()) {
        Message(tr("没有到对方地址的路由!"), ui::AppTitle());
        return at;
    }
    at.SetPort(localPort);
    *label = at.AddressText();
    return at;
}

bool CUdpClientDlg::CreateEndpoint(const IpEndpoint& peer, int peerPort, int localPort,
                                   const sock::UdpOptions& options, const std::string& memberLabel,
                                   uint64_t* key) {
    std::unique_ptr<ConnectInfo> made(new (std::nothrow) ConnectInfo);
    if (!made) {
        Message(QStringLiteral("pConnectInfo is null"), QStringLiteral("error!"));
        return false;
    }
    made->addrServer = peer;
    const ServerState* state = RootState();
    if (!state) {
        Message(QStringLiteral("Get pServerState Error!"), tr("错误！"));
        return false;
    }
    const auto& group = options.group;
    sock::UdpOptions bindWith = options;
    std::string localHost = memberLabel;
    if (group) {
        bindWith.local = options.local;
        bindWith.local.SetPort(localPort);
    } else {
        bindWith.local = EndpointLocal(peer, localPort, &localHost);
        if (bindWith.local.Empty())
            return false;
    }
    sock::UdpEndpoint endpoint = sock::OpenUdpEndpoint(bindWith);
    if (!endpoint.ok()) {
        Message(WithCause(EndpointFailureText(endpoint.failed), endpoint.error), tr("错误!"));
        return false;
    }
    // The receive thread attributes datagrams by the address really bound.
    made->addrClient = endpoint.bound;
    made->nId = static_cast<uint32_t>(localPort);
    made->sock = endpoint.socket.release();
    const uint64_t recordKey = UdpKey(made->addrClient);
    if (key)
        *key = recordKey;
    ConnectInfo* rec = Store().Add(recordKey, std::move(made));
    const std::string peerText = peer.AddressText();
    m_strLastPeer = enc::ToWide(peerText);
    const std::string label = enc::JoinPair(enc::FormatEndpoint(localHost, localPort),
                                            enc::FormatEndpoint(peerText, peerPort));
    TreeNode* node = AddRecordNode(rec, ToQString(enc::ToWide(label)), kImageClosed);
    if (!m_engine.StartClientReceive(rec))  // it can still send
        Message(tr("创建接收线程失败!"), ui::AppTitle());
    m_tree->setCurrentItem(node);
    Refresh(node);
    return true;
}

void CUdpClientDlg::Refresh(TreeNode* item) {
    if (!item)
        return;
    if (!item->parent()) {
        EnableButton(kDelete, false);
        ClearReceivedView();
        ClearSentView();
        return;
    }
    EnableButton(kDelete, true);
    ConnectInfo* rec = RecordOf(item);
    if (!rec)
        return;
    Store().MarkRead(rec);
    SetNodeImage(item, kImageClosed);
    ShowRecordLogs(rec);
}

void CUdpClientDlg::HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) {
    TreeNode* node = NodeOf(pInfo);
    if (kind == UPDATE_CLOSED) {
        SetNodeImage(node, Store().IsUnread(pInfo) ? kImageClosedUnread : kImageClosed);
        EnableButton(kDelete, false);
    }
}

void CUdpClientDlg::OnClearReceived() {
    ClearSelected(ChunkDir::kReceived);
}

void CUdpClientDlg::OnClearSent() {
    ClearSelected(ChunkDir::kSent);
}

void CUdpClientDlg::OnDelete() {
    DeleteSelected([](const ConnectInfo& r) { return UdpKey(r.addrClient); },
                   [this](TreeNode* i) { Refresh(i); });
}

}  // namespace quillet::pages
