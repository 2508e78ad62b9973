#include "pages/multicast_server_dlg.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/crit_sec.h"
#include "engine/socket_closer.h"
#include "pages/prompt_input.h"
#include "pages/set_multicast_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

sockaddr_in Ipv4(in_addr_t address, int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = address;
    return addr;
}

std::string Dotted(in_addr_t address) {
    return enc::DottedAddress(Ipv4(address, 0));
}

bool SetIntOption(int sock, int level, int name, int value) {
    return setsockopt(sock, level, name, &value, sizeof value) == 0;
}

}  // namespace

CMulticastServerDlg::CMulticastServerDlg(QWidget* parent)
    : CUdpClientDlg(kTemplateId, PageLayout::kStandard, parent) {
    CreatePageButtons(0);
}

bool CMulticastServerDlg::IsMemberTaken(in_addr_t group, int port) const {
    CCritSecLock lock(g_csConnect);
    return FindRecord(m_engine.m_map, UdpKey(Ipv4(group, port))) != nullptr;
}

void CMulticastServerDlg::OnCreate() {
    const ServerState* state = RootState();
    CSetMulticastDlg prompt(this, m_strLastPeer, state ? state->strHost : std::string(),
                            kPromptColour, this);
    if (ui::ExecModal(&prompt) != QDialog::Accepted)
        return;
    if (prompt.m_nGroupPort <= 0 || prompt.m_nLocalPort <= 0 || !Root())
        return;
    const MulticastParams params{prompt.m_group, prompt.m_nGroupPort, prompt.m_interface,
                                 prompt.m_nTtl, prompt.m_bLoop};
    // The prompt checked the first port; later ones may be this page's already.
    for (int i = 0; i < std::max(prompt.m_nCount, 1); ++i) {
        if (i > 0 && IsMemberTaken(params.group, prompt.m_nLocalPort + i)) {
            Message(QStringLiteral("本地端口已经被占用!"), ui::AppTitle());
            return;
        }
        if (!CreateMember(params, prompt.m_nLocalPort + i))
            return;
    }
}

bool CMulticastServerDlg::CreateMember(const MulticastParams& params, int localPort) {
    auto* rec = new (std::nothrow) ConnectInfo;
    if (!rec) {
        Message(QStringLiteral("pConnectInfo is null"), QStringLiteral("error!"));
        return false;
    }
    rec->addrServer = Ipv4(params.group, params.groupPort);
    if (!RootState()) {
        Message(QStringLiteral("Get pServerState Error!"), QStringLiteral("错误！"));
        delete rec;
        return false;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        Message(QStringLiteral("创建套接字失败"), QStringLiteral("错误!"));
        delete rec;
        return false;
    }
    // Several members of one group and port may live on this host (other pages, programs).
    SetIntOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
    const sockaddr_in local = Ipv4(params.group, localPort);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Message(QStringLiteral("绑定本地端口出错"), QStringLiteral("错误!"));
        sock::CloseSocket(fd);
        delete rec;
        return false;
    }
    if (!SetUpMember(fd, params)) {
        sock::CloseSocket(fd);
        delete rec;
        return false;
    }
    // The receive thread attributes datagrams by the address really bound.
    socklen_t len = sizeof rec->addrClient;
    getsockname(fd, reinterpret_cast<sockaddr*>(&rec->addrClient), &len);
    rec->nId = static_cast<uint32_t>(localPort);
    rec->sock = fd;
    {
        CCritSecLock lock(g_csConnect);
        InsertRecord(Map(), UdpKey(rec->addrClient), rec);
    }
    const std::string groupText = Dotted(params.group);
    m_strLastPeer = enc::ToWide(groupText);
    const std::string label = enc::JoinPair(enc::FormatEndpoint(Dotted(params.iface), localPort),
                                            enc::FormatEndpoint(groupText, params.groupPort));
    QTreeWidgetItem* node = AddRecordNode(rec, ToQString(enc::ToWide(label)), kImageClosed);
    if (!m_engine.StartClientReceive(rec))  // it can still send
        Message(QStringLiteral("创建接收线程失败!"), ui::AppTitle());
    m_tree->setCurrentItem(node);
    Refresh(node);
    return true;
}

bool CMulticastServerDlg::SetUpMember(int sock, const MulticastParams& params) {
    ip_mreq membership{};
    membership.imr_multiaddr.s_addr = params.group;
    membership.imr_interface.s_addr = params.iface;
    if (setsockopt(sock, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        Message(QStringLiteral("加入组播组出错"), QStringLiteral("错误!"));
        return false;
    }
    in_addr iface{};
    iface.s_addr = params.iface;
    const bool ok = setsockopt(sock, IPPROTO_IP, IP_MULTICAST_IF, &iface, sizeof iface) == 0 &&
                    SetIntOption(sock, IPPROTO_IP, IP_MULTICAST_TTL, params.ttl) &&
                    SetIntOption(sock, IPPROTO_IP, IP_MULTICAST_LOOP, params.loop ? 1 : 0);
    if (!ok)
        Message(QStringLiteral("设置组播参数出错"), QStringLiteral("错误!"));
    return ok;
}

}  // namespace quillet::pages
