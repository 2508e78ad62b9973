#include "pages/prompts/dlg_set_ip.h"

#include <QLineEdit>

#include "encoding/wide_narrow.h"
#include "engine/local_address.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_input.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

// A target no connection can ever reach: the wildcard (0.0.0.0, ::), a group, all ones, and a
// link-local address without the interface it lies on.
bool CanNeverConnect(const IpEndpoint& target) {
    const IpEndpoint t = target.Unmapped();
    if (t.IsWildcard() || t.IsMulticast())
        return true;
    if (t.IsV4())
        return t.Address4() == INADDR_NONE;
    return IN6_IS_ADDR_LINKLOCAL(&t.Address6()) && t.Scope() == 0;
}

}  // namespace

CDlgSetIp::CDlgSetIp(const QString& defaultAddress, const QColor& colour, QWidget* parent)
    : CPromptDlg(kTemplateId, tr("请输入对方地址"), 181, 121, colour, parent),
      m_strDefault(defaultAddress) {
    const QString address = m_strDefault.isEmpty()
                                ? QString::fromStdU16String(enc::ToWide(GetAdapterIpText()))
                                : m_strDefault;
    AddRow(tr("对方地址:"), kBoxAddress, address, false);
    AddRow(tr("对方端口:"), kBoxPort, QStringLiteral("8888"), true);
    AddRow(tr("连接数量:"), kBoxCount, QStringLiteral("1"), true);
    OfferRecentValues(QStringLiteral("tcpClient"));
    // Bottom left, beside OK and Cancel.
    AddLocalChoice("tcpClient", CLocalAddressDlg::Role::kClient, QRect(14, 121 - 24, 36, 14));
}

bool CDlgSetIp::OnOk() {
    if (!ReadPort(Edit(kBoxPort)->text().toStdU16String(), &m_nPort)) {
        m_nPort = 0;
        Message(tr("输入的端口号有错！"), tr("提示"));
        return false;
    }
    bool tooLarge = false;
    m_nCount = ReadInt(Edit(kBoxCount)->text().toStdU16String(), &tooLarge);
    if (tooLarge || m_nCount > kMaxConnections) {
        Message(tr("连接数量不能超过%1！").arg(kMaxConnections), tr("提示"));
        return false;
    }
    const QString address = Edit(kBoxAddress)->text();
    const auto looked = PeerOrLookUp(enc::ToNarrow(address.toStdU16String()), PeerFamily());
    if (!looked)
        return false;  // a name: OK runs again with its address (or it was refused)
    m_addrTarget = *looked;
    m_strTyped = address.trimmed();
    m_addrTarget.SetPort(m_nPort);
    m_alternatives.clear();
    const std::string name = enc::ToNarrow(address.toStdU16String());
    for (IpEndpoint other : LookedUpAddresses(name, PeerFamily())) {
        other.SetPort(m_nPort);
        if (!(other == m_addrTarget) && !CanNeverConnect(other))
            m_alternatives.push_back(other);
    }
    if (CanNeverConnect(m_addrTarget)) {
        // A node that could never connect: let the user correct the address.
        Message(tr("Ip 地址有错!"), ui::AppTitle());
        return false;
    }
    return true;
}

}  // namespace quillet::pages
