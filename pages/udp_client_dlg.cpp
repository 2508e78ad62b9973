#include "pages/udp_client_dlg.h"

#include <QPlainTextEdit>
#include <sys/socket.h>

#include <cerrno>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/crit_sec.h"
#include "engine/socket_closer.h"
#include "pages/prompt_input.h"
#include "pages/set_udp_server_ip.h"
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

}  // namespace

CUdpClientDlg::CUdpClientDlg(QWidget* parent)
    : CUdpClientDlg(kTemplateId, PageLayout::kStandard, parent) {
    CreatePageButtons(0);
}

CUdpClientDlg::CUdpClientDlg(int templateId, PageLayout layout, QWidget* parent)
    : CDialogP(templateId, kPageColour, parent) {
    CreateCommonControls(kTree, layout);
    m_tree->SetBkColor(kPageColour);
    InitConnectionTree(m_tree);
}

CUdpClientDlg::~CUdpClientDlg() {
    TearDownPage(m_engine);
}

int CUdpClientDlg::CreatePageButtons(int sendOnly) {
    AddButton(kCreate, QRect(14, 5, 51, 24), {236, 241, 237, 240}, [this] { OnCreate(); });
    const int gap = TreeClientWidth() / 2 / 2 + 155;
    AddButton(kDelete, QRect(65 + gap, 5, 51, 24), {261, 258, 259, 260}, [this] { OnDelete(); });
    AddButton(kSend, ButtonAbove(m_sendBox, 61, m_sendBox->y() - 26), {257, 254, 255, 256},
              [this] { OnSend(); });
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
    CCritSecLock lock(g_csConnect);
    return FindRecord(m_engine.m_map, UdpKey(HostEndpoint(state->strHost, port))) != nullptr;
}

void CUdpClientDlg::OnCreate() {
    CSetUdpServerIp prompt(this, m_strLastPeer, kPromptColour, this);
    if (ui::ExecModal(&prompt) != QDialog::Accepted)
        return;
    if (prompt.m_nPeerPort <= 0 || prompt.m_nLocalPort <= 0)
        return;
    CreateEndpoints(prompt.m_addrPeer, prompt.m_nPeerPort, prompt.m_nLocalPort,
                    prompt.m_nClientCount);
}

void CUdpClientDlg::CreateEndpoints(const sockaddr_in& peer, int peerPort, int localPort, int count,
                                    const SocketSetup& setup) {
    if (!Root())
        return;
    // The prompt checked the first port; later ones may be this page's already.
    for (int i = 0; i < std::max(count, 1); ++i) {
        if (i > 0 && IsLocalPortTaken(localPort + i)) {
            Message(QStringLiteral("本地端口已经被占用!"), ui::AppTitle());
            return;
        }
        if (!CreateEndpoint(peer, peerPort, localPort + i, setup))
            return;
    }
}

bool CUdpClientDlg::CreateEndpoint(const sockaddr_in& peer, int peerPort, int localPort,
                                   const SocketSetup& setup) {
    auto* rec = new (std::nothrow) ConnectInfo;
    if (!rec) {
        Message(QStringLiteral("pConnectInfo is null"), QStringLiteral("error!"));
        return false;
    }
    rec->addrServer = peer;
    const ServerState* state = RootState();
    if (!state) {
        Message(QStringLiteral("Get pServerState Error!"), QStringLiteral("错误！"));
        delete rec;
        return false;
    }
    rec->addrClient = HostEndpoint(state->strHost, localPort);
    rec->nId = static_cast<uint32_t>(localPort);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        Message(QStringLiteral("创建套接字失败"), QStringLiteral("错误!"));
        delete rec;
        return false;
    }
    if (sock::BindAfterRelease(fd, rec->addrClient) != 0) {
        Message(QStringLiteral("绑定本地端口出错"), QStringLiteral("错误!"));
        sock::CloseSocket(fd);
        delete rec;
        return false;
    }
    if (setup && !setup(fd)) {
        sock::CloseSocket(fd);
        delete rec;
        return false;
    }
    rec->sock = fd;
    {
        CCritSecLock lock(g_csConnect);
        InsertRecord(Map(), UdpKey(rec->addrClient), rec);
    }
    const std::string peerText = enc::DottedAddress(peer);
    m_strLastPeer = enc::ToWide(peerText);
    const std::string label = enc::JoinPair(enc::FormatEndpoint(state->strHost, localPort),
                                            enc::FormatEndpoint(peerText, peerPort));
    QTreeWidgetItem* node = AddRecordNode(rec, ToQString(enc::ToWide(label)), kImageClosed);
    if (!m_engine.StartClientReceive(rec))  // it can still send
        Message(QStringLiteral("创建接收线程失败!"), ui::AppTitle());
    m_tree->setCurrentItem(node);
    Refresh(node);
    return true;
}

void CUdpClientDlg::Refresh(QTreeWidgetItem* item) {
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
    {
        CCritSecLock lock(g_csConnect);
        rec->bUnread = false;
    }
    SetNodeImage(item, kImageClosed);
    ShowRecordLogs(rec);
}

void CUdpClientDlg::HandleConnectionUpdate(ConnectInfo* pInfo, int kind) {
    QTreeWidgetItem* node = NodeOf(pInfo);
    if (kind == UPDATE_CLOSED) {
        SetNodeImage(node, pInfo->bUnread ? kImageClosedUnread : kImageClosed);
        EnableButton(kDelete, false);
        return;
    }
    ShowDataNewsAsRead(pInfo);
}

void CUdpClientDlg::OnSend() {
    QTreeWidgetItem* item = SelectedConnection();
    if (!item) {
        Message(QStringLiteral("请选择接收端！"), QStringLiteral("提示!"));
        return;
    }
    if (!RootState()) {
        Message(QStringLiteral("发送出错了！"), QStringLiteral("提示"));
        return;
    }
    ConnectInfo* rec = RecordOf(item);
    if (!rec)
        return;
    auto text = TakeSendText();
    if (!text)
        return;
    auto wire = EncodeSendText(*text);
    if (!wire)
        return;
    const int sent =
        UdpEngine::SendOnRecord(rec, wire->data(), static_cast<int>(wire->size()), rec->addrServer);
    if (sent <= 0) {
        Refresh(item);
        Message(QStringLiteral("发送出错！"), QStringLiteral("提示"));
        return;
    }
    LogSent(rec, *wire, sent);
}

void CUdpClientDlg::OnClearReceived() {
    ClearSelectedReceived();
}

void CUdpClientDlg::OnClearSent() {
    ClearSelectedSent();
}

void CUdpClientDlg::OnDelete() {
    DeleteSelected([](const ConnectInfo& r) { return UdpKey(r.addrClient); },
                   [this](QTreeWidgetItem* i) { Refresh(i); });
}

}  // namespace quillet::pages
