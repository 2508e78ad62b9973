#include "pages/prompts/set_multicast_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "encoding/wide_narrow.h"
#include "engine/local_address.h"
#include "pages/common/qt_text.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_input.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

constexpr int kRowCount = 6;  // edit rows above the loop-back box

}  // namespace

bool IsMulticastAddress(in_addr_t address) {
    return (ntohl(address) & 0xF0000000u) == 0xE0000000u;
}

CSetMulticastDlg::CSetMulticastDlg(const MembershipsInUse* owner,
                                   const std::u16string& defaultGroup,
                                   const std::string& defaultInterface, const QColor& colour,
                                   QWidget* parent)
    : CPromptDlg(kTemplateId, tr("请输入组播参数"), 181, 14 + kRowCount * 22 + 50, colour, parent),
      m_owner(owner) {
    const QString group =
        defaultGroup.empty() ? QStringLiteral("239.255.0.1") : ToQString(defaultGroup);
    AddRow(tr("组播地址:"), kBoxGroup, group, false);
    AddRow(tr("组播端口:"), kBoxGroupPort, QStringLiteral("6666"), true);
    // A member hears the group only on the group's port, so that is the default.
    AddRow(tr("本地端口:"), kBoxLocalPort, QStringLiteral("6666"), true);
    AddRow(tr("生存时间:"), kBoxTtl, QStringLiteral("1"), true);
    AddRow(tr("本地接口:"), kBoxInterface, QString::fromStdString(defaultInterface), false);
    AddRow(tr("客户数量:"), kBoxCount, QStringLiteral("1"), true);
    m_loop = new QCheckBox(tr("接收本机发出的组播数据"), this);
    ui::SetControlId(m_loop, kBoxLoop);
    m_loop->setChecked(true);
    m_loop->setGeometry(ui::DuRect(14, 14 + kRowCount * 22, 150, 12));
    OfferRecentValues(QStringLiteral("multicast"));
}

std::u16string CSetMulticastDlg::Box(int id) const {
    return Edit(id)->text().toStdU16String();
}

bool CSetMulticastDlg::OnOk() {
    if (!ReadPorts() || !ReadGroup())
        return false;
    // An IPv6 member's address may carry its interface: that is read before the port's check.
    const bool ok = m_groupAddress.IsV6() ? ReadInterface() && LocalPortFree() && ReadTtl()
                                          : LocalPortFree() && ReadTtl() && ReadInterface();
    if (!ok || !ReadCount())
        return false;
    m_bLoop = m_loop->isChecked();
    return true;
}

bool CSetMulticastDlg::ReadPorts() {
    const bool groupOk = ReadPort(Box(kBoxGroupPort), &m_nGroupPort);
    const bool localOk = ReadPort(Box(kBoxLocalPort), &m_nLocalPort);
    if (groupOk && localOk)
        return true;
    m_nGroupPort = m_nLocalPort = 0;
    Message(tr("输入的端口号有错！"), tr("提示"));
    return false;
}

bool CSetMulticastDlg::ReadGroup() {
    const std::string text = enc::ToNarrow(Box(kBoxGroup));
    const ParsedAddress parsed = ParseAddress(text);
    if (parsed.form == AddressForm::kAddress && parsed.address.IsV6()) {
        m_group = INADDR_NONE;
        m_groupAddress = parsed.address;
        if (parsed.address.IsMulticast())
            return true;
    } else if (text.find_first_of(":[]%") == std::string::npos) {
        m_group = ParseDotted(text);
        m_groupAddress = IpEndpoint::V4(m_group, 0);
        if (IsMulticastAddress(m_group))
            return true;
        Message(tr("组播地址有错! (应在 224.0.0.0 到 239.255.255.255 之间)"), ui::AppTitle());
        return false;
    }
    Message(tr("IPv6 组播地址有错! (应在 ff00::/8 之内)"), ui::AppTitle());
    return false;
}

bool CSetMulticastDlg::ReadTtl() {
    bool tooLarge = false;
    m_nTtl = ReadInt(Box(kBoxTtl), &tooLarge);
    if (!tooLarge && m_nTtl >= 0 && m_nTtl <= 255)
        return true;
    Message(tr("生存时间应在 0 到 255 之间！"), tr("提示"));
    return false;
}

bool CSetMulticastDlg::ReadInterface() {
    const std::string text = enc::ToNarrow(Box(kBoxInterface));
    m_ifindex = 0;
    m_interface = ParseDotted(text);
    // 255.255.255.255 is no interface either; multicast addresses name groups, not hosts.
    if (m_interface != INADDR_NONE && !IsMulticastAddress(m_interface)) {
        if (m_groupAddress.IsV6()) {
            Message(tr("组播地址与本地接口的地址类型不同!"), ui::AppTitle());
            return false;
        }
        m_interfaceLabel = IpEndpoint::V4(m_interface, 0).AddressText();
        return true;
    }
    if (m_interface == INADDR_NONE)
        return ReadInterfaceByName(text);
    Message(tr("本地接口地址有错!"), ui::AppTitle());
    return false;
}

bool CSetMulticastDlg::ReadInterfaceByName(const std::string& text) {
    const ParsedAddress parsed = ParseAddress(text);
    if (parsed.form == AddressForm::kAddress &&
        parsed.address.Family() != m_groupAddress.Family()) {
        Message(tr("组播地址与本地接口的地址类型不同!"), ui::AppTitle());
        return false;
    }
    const bool named = parsed.form == AddressForm::kAddress || parsed.form == AddressForm::kName;
    m_ifindex = named ? InterfaceIndexOf(text) : 0;
    if (m_ifindex == 0) {
        Message(tr("本地接口地址有错!"), ui::AppTitle());
        return false;
    }
    m_interface = htonl(INADDR_ANY);  // joined by index
    m_interfaceLabel = parsed.form == AddressForm::kAddress ? parsed.address.AddressText() : text;
    return true;
}

bool CSetMulticastDlg::ReadCount() {
    m_nCount = ReadInt(Box(kBoxCount));
    if (m_nCount > kMaxMemberCount) {
        Message(tr("客户数量不能超过 %1！").arg(kMaxMemberCount), tr("提示"));
        return false;
    }
    // Members take consecutive local ports from the one given.
    if (m_nCount > 1 && m_nLocalPort > 0 && m_nLocalPort + m_nCount - 1 > 65535) {
        Message(tr("客户数量太多：本地端口将超过 65535！"), tr("提示"));
        return false;
    }
    return true;
}

bool CSetMulticastDlg::LocalPortFree() {
    if (!m_owner || m_nLocalPort <= 0 ||
        !m_owner->IsMemberTaken(m_groupAddress, m_ifindex, m_nLocalPort))
        return true;
    Message(tr("本地端口已经被占用!"), ui::AppTitle());
    return false;
}

}  // namespace quillet::pages
