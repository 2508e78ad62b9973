#include "pages/prompts/set_dlg_broad_ip.h"

#include "engine/local_address.h"
#include "pages/common/qt_text.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_input.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

CSetDlgBroadIp::CSetDlgBroadIp(const LocalPortsInUse* owner, const std::u16string& defaultAddress,
                               const QColor& colour, QWidget* parent)
    : CSetUdpServerIp(kTemplateId, tr("请输入广播地址"), tr("广播地址:"),
                      defaultAddress.empty() ? QString::fromLatin1(GetBroadcastText())
                                             : ToQString(defaultAddress),
                      owner, colour, parent, "broadcast") {}

QString CSetDlgBroadIp::WrongFamilyText(int) const {
    return tr("广播只能用 IPv4 地址!");
}

std::optional<IpEndpoint> CSetDlgBroadIp::ReadPeerAddress(const std::string& text) {
    const ParsedAddress parsed = ParseAddress(text);
    if (PeerFamily() == AF_INET6 ||
        (parsed.form == AddressForm::kAddress && parsed.address.IsV6())) {
        Message(tr("广播只能用 IPv4 地址!"), ui::AppTitle());
        return std::nullopt;
    }
    // A malformed IPv6 text is refused; a name is looked up first (OK runs again with it).
    if (parsed.form == AddressForm::kMalformed ||
        (parsed.form == AddressForm::kName && !HasLookedUp(text)))
        return PeerOrLookUp(text, AF_INET);
    // A name with IPv6 addresses only is told just that.
    if (parsed.form == AddressForm::kName && LookedUpAddresses(text, AF_INET).empty() &&
        !LookedUpAddresses(text, AF_UNSPEC).empty()) {
        Message(tr("广播只能用 IPv4 地址!"), ui::AppTitle());
        return std::nullopt;
    }
    if (text != GetBroadcastText() && text != "255.255.255.255")
        Message(tr("广播Ip地址可能有错!"), ui::AppTitle());
    // A name's first IPv4 address; else the text as a dotted address, which is 255.255.255.255
    // for a name of nothing or a malformed address: a sender that broadcasts to every host.
    return PeerOrLookUp(text, AF_INET);
}

}  // namespace quillet::pages
