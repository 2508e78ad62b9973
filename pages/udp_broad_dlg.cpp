#include "pages/udp_broad_dlg.h"

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
    m_createFrom = prompt.Local();
    sock::UdpOptions senders;
    senders.broadcast = true;
    CreateEndpoints(prompt.m_addrPeer, prompt.m_nPeerPort, prompt.m_nLocalPort,
                    prompt.m_nClientCount, senders);
}

}  // namespace quillet::pages
