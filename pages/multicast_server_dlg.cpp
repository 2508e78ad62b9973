#include "pages/multicast_server_dlg.h"

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/endpoint.h"
#include "pages/prompt_input.h"
#include "pages/set_multicast_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

using sock::Ipv4;

}  // namespace

CMulticastServerDlg::CMulticastServerDlg(QWidget* parent)
    : CUdpClientDlg(kTemplateId, PageLayout::kStandard, parent) {
    CreatePageButtons(0);
}

bool CMulticastServerDlg::IsMemberTaken(in_addr_t group, int port) const {
    return m_engine.m_store.Contains(UdpKey(Ipv4(group, port)));
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
    sock::UdpOptions member;
    member.group = sock::GroupOptions{params.group, params.iface, params.ttl, params.loop};
    // The prompt checked the first port; later ones may be this page's already.
    for (int i = 0; i < std::max(prompt.m_nCount, 1); ++i) {
        if (i > 0 && IsMemberTaken(params.group, prompt.m_nLocalPort + i)) {
            Message(tr("本地端口已经被占用!"), ui::AppTitle());
            return;
        }
        if (!CreateEndpoint(Ipv4(params.group, params.groupPort), params.groupPort,
                            prompt.m_nLocalPort + i, member))
            return;
    }
}

}  // namespace quillet::pages
