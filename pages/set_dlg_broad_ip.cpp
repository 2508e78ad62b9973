#include "pages/set_dlg_broad_ip.h"

#include "engine/local_address.h"
#include "pages/dialog_p.h"
#include "pages/prompt_input.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

CSetDlgBroadIp::CSetDlgBroadIp(const CUdpClientDlg* owner, const std::u16string& defaultAddress,
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
    if (parsed.form == AddressForm::kMalformed)
        return PeerOrLookUp(text, AF_INET);  // says what is wrong
    // Told once: not again when OK runs with a looked-up name's answer.
    if (text != GetBroadcastText() && text != "255.255.255.255" && !HasLookedUp(text))
        Message(tr("广播Ip地址可能有错!"), ui::AppTitle());
    const std::optional<IpEndpoint> peer = PeerOrLookUp(text, AF_INET);
    // A name that names nothing would broadcast to every host: refuse it.
    if (peer && parsed.form == AddressForm::kName && peer->sin_addr.s_addr == INADDR_NONE) {
        Message(tr("Ip 地址有错!"), ui::AppTitle());
        return std::nullopt;
    }
    return peer;
}

}  // namespace quillet::pages
