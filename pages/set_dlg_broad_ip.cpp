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
                      owner, colour, parent) {
    if (defaultAddress.empty())
        RememberBoxes();
    else
        RememberBoxes({kBoxAddress});  // the page's last peer in this run
}

std::optional<in_addr_t> CSetDlgBroadIp::ReadPeerAddress(const std::string& text) {
    // Told once: not again when OK runs with a looked-up name's answer.
    if (text != GetBroadcastText() && text != "255.255.255.255" && !HasLookedUp(text))
        Message(tr("广播Ip地址可能有错!"), ui::AppTitle());
    return AddressOrLookUp(text);
}

}  // namespace quillet::pages
