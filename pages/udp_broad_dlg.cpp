#include "pages/udp_broad_dlg.h"

#include <sys/socket.h>

#include "pages/set_dlg_broad_ip.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

CUdpBroadDlg::CUdpBroadDlg(QWidget* parent)
    : CUdpClientDlg(kTemplateId, PageLayout::kBroadcast, parent) {
    CreatePageButtons(1);
}

void CUdpBroadDlg::OnCreate() {
    CSetDlgBroadIp prompt(this, m_strLastPeer, kPromptColour, this);
    if (ui::ExecModal(&prompt) != QDialog::Accepted)
        return;
    if (prompt.m_nPeerPort <= 0 || prompt.m_nLocalPort <= 0)
        return;
    auto allowBroadcast = [this](int sock) {
        // Linux takes the option as an int: a one-byte value is refused with EINVAL.
        const int on = 1;
        if (setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0)
            return true;
        Message(QStringLiteral("设置广播参数出错"), QStringLiteral("错误!"));
        return false;
    };
    CreateEndpoints(prompt.m_addrPeer, prompt.m_nPeerPort, prompt.m_nLocalPort,
                    prompt.m_nClientCount, allowBroadcast);
}

}  // namespace quillet::pages
