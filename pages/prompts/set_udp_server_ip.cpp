#include "pages/prompts/set_udp_server_ip.h"

#include <QLineEdit>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/endpoint.h"
#include "engine/local_address.h"
#include "pages/common/qt_text.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_input.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

std::u16string BoxText(const QLineEdit* edit) {
    return edit->text().toStdU16String();
}

using sock::Ipv4;

}  // namespace

CSetUdpServerIp::CSetUdpServerIp(const LocalPortsInUse* owner, const std::u16string& defaultAddress,
                                 const QColor& colour, QWidget* parent)
    : CSetUdpServerIp(kTemplateId, tr("请输入对方地址"), tr("对方地址:"),
                      defaultAddress.empty() ? QString::fromStdString(GetAdapterIpText())
                                             : ToQString(defaultAddress),
                      owner, colour, parent, "udpClient") {}

CSetUdpServerIp::CSetUdpServerIp(int templateId, const QString& caption,
                                 const QString& addressLabel, const QString& address,
                                 const LocalPortsInUse* owner, const QColor& colour,
                                 QWidget* parent, const char* page)
    : CPromptDlg(templateId, caption, 181, 121, colour, parent), m_owner(owner) {
    AddRow(addressLabel, kBoxAddress, address, false);
    AddRow(tr("对方端口:"), kBoxPeerPort, QStringLiteral("8888"), true);
    AddRow(tr("本地端口:"), kBoxLocalPort, QStringLiteral("6666"), true);
    AddRow(tr("客户数量:"), kBoxCount, QStringLiteral("1"), true);
    const int rowTops[] = {14, 33, 53, 73};
    const int ids[] = {kBoxAddress, kBoxPeerPort, kBoxLocalPort, kBoxCount};
    for (int i = 0; i < 4; ++i)
        PlaceRow(ids[i], QRect(63, rowTops[i], 86, 12));
    PlaceButtons(QRect(33, 100, 50, 14), QRect(99, 100, 50, 14));
    // Right of the address box, the one free place beside the fixed rows.
    AddLocalChoice(page, CLocalAddressDlg::Role::kClient, QRect(152, 14, 27, 12));
    OfferRecentValues(QString::fromLatin1(page));
}

bool CSetUdpServerIp::OnOk() {
    const bool peerOk = ReadPort(BoxText(Edit(kBoxPeerPort)), &m_nPeerPort);
    const bool localOk = ReadPort(BoxText(Edit(kBoxLocalPort)), &m_nLocalPort);
    if (!peerOk || !localOk) {
        m_nPeerPort = m_nLocalPort = 0;
        Message(tr("输入的端口号有错！"), tr("提示"));
        return false;
    }
    if (m_owner && m_nLocalPort > 0 && m_owner->IsLocalPortTaken(m_nLocalPort)) {
        Message(tr("本地端口已经被占用!"), ui::AppTitle());
        return false;
    }
    m_nClientCount = ReadInt(BoxText(Edit(kBoxCount)));
    if (!CountFits())
        return false;

    const std::string text = enc::ToNarrow(BoxText(Edit(kBoxAddress)));
    const std::optional<IpEndpoint> peer = ReadPeerAddress(text);
    if (!peer)
        return false;  // a name: OK runs again with its address (or it was refused)
    m_addrPeer = *peer;
    m_addrPeer.SetPort(m_nPeerPort);
    if (RefusesNoneAddress() && m_addrPeer.IsV4() && m_addrPeer.Address4() == INADDR_NONE) {
        // Every send to 255.255.255.255 would fail: let the user correct the address.
        Message(tr("Ip 地址有错!"), ui::AppTitle());
        return false;
    }
    m_addrLocal =
        m_addrPeer.IsV6() ? IpEndpoint::AnyV6(m_nLocalPort) : Ipv4(htonl(INADDR_ANY), m_nLocalPort);
    return true;
}

bool CSetUdpServerIp::CountFits() {
    if (m_nClientCount > kMaxClientCount) {
        Message(tr("客户数量不能超过 %1！").arg(kMaxClientCount), tr("提示"));
        return false;
    }
    // Consecutive local ports from the one given must all exist.
    if (m_nClientCount > 1 && m_nLocalPort > 0 && m_nLocalPort + m_nClientCount - 1 > 65535) {
        Message(tr("客户数量太多：本地端口将超过 65535！"), tr("提示"));
        return false;
    }
    return true;
}

std::optional<IpEndpoint> CSetUdpServerIp::ReadPeerAddress(const std::string& text) {
    return PeerOrLookUp(text, PeerFamily());
}

}  // namespace quillet::pages
