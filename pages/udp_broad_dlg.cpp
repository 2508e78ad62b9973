#include "pages/udp_broad_dlg.h"

#include "pages/prompts/set_dlg_broad_ip.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

CUdpBroadDlg::CUdpBroadDlg(QWidget* parent)
    : CUdpClientDlg(kTemplateId, PageLayout::kBroadcast, parent) {
    CreatePageButtons(1);
}

void CUdpBroadDlg::OnCreate() {
    CSetDlgBroadIp prompt(this, m_strLastPeer, kPromptColour, this);
    if (ui::ExecModal(&prompt) == QDialog::Accepted)
        CreateFromPrompt(prompt);
}

std::unique_ptr<CPromptDlg> CUdpBroadDlg::WorkspacePrompt(const EndpointSpec& spec) {
    auto prompt = std::make_unique<CSetDlgBroadIp>(this, m_strLastPeer, kPromptColour, this);
    FillPeerPrompt(prompt.get(), spec);
    return prompt;
}

int CUdpBroadDlg::CreateFromPrompt(CPromptDlg& dlg, const QJsonObject& keptOptions,
                                   const TlsChoice*, const TlsMade*) {
    const auto& prompt = static_cast<const CSetDlgBroadIp&>(dlg);
    if (prompt.m_nPeerPort <= 0 || prompt.m_nLocalPort <= 0)
        return 0;
    m_createFrom = prompt.Local();
    sock::UdpOptions senders;
    senders.broadcast = true;
    auto made = CreateEndpoints(prompt.m_addrPeer, prompt.m_nPeerPort, prompt.m_nLocalPort,
                                prompt.m_nClientCount, senders);
    const int count = static_cast<int>(made.size());
    RememberMade(prompt, keptOptions, std::move(made));
    return count;
}

}  // namespace quillet::pages
