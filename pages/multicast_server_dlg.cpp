#include "pages/multicast_server_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/endpoint.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_input.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

// Link- and interface-local groups (ff02::/16, ff01::/16) are named with their interface.
bool NeedsZone(const IpEndpoint& group) {
    const in6_addr& a = group.Address6();
    return group.IsV6() && (IN6_IS_ADDR_MC_LINKLOCAL(&a) || IN6_IS_ADDR_MC_NODELOCAL(&a));
}

}  // namespace

IpEndpoint MemberAddress(const IpEndpoint& group, unsigned ifindex) {
    if (!NeedsZone(group))
        return group.IsV6() ? IpEndpoint::V6(group.Address6(), group.Port()) : group;
    return IpEndpoint::V6(group.Address6(), group.Port(), ifindex);
}

CMulticastServerDlg::CMulticastServerDlg(QWidget* parent)
    : CUdpClientDlg(kTemplateId, PageLayout::kStandard, parent) {
    CreatePageButtons(0);
}

bool CMulticastServerDlg::IsMemberTaken(in_addr_t group, int port) const {
    return IsMemberTaken(IpEndpoint::V4(group, 0), 0, port);
}

bool CMulticastServerDlg::IsMemberTaken(const IpEndpoint& group, unsigned ifindex, int port) const {
    IpEndpoint at = MemberAddress(group, ifindex);
    at.SetPort(port);
    return m_engine.m_store.Contains(UdpKey(at));
}

void CMulticastServerDlg::OnCreate() {
    const ServerState* state = RootState();
    CSetMulticastDlg prompt(this, m_strLastPeer, state ? state->strHost : std::string(),
                            kPromptColour, this);
    if (ui::ExecModal(&prompt) == QDialog::Accepted)
        CreateFromPrompt(prompt);
}

std::unique_ptr<CPromptDlg> CMulticastServerDlg::WorkspacePrompt(const EndpointSpec& spec) {
    auto prompt =
        std::make_unique<CSetMulticastDlg>(this, m_strLastPeer, std::string(), kPromptColour, this);
    prompt->Edit(kBoxGroup)->setText(spec.group);
    prompt->Edit(kBoxGroupPort)->setText(QString::number(spec.port));
    prompt->Edit(kBoxLocalPort)->setText(QString::number(spec.localPort));
    prompt->Edit(kBoxTtl)->setText(QString::number(spec.ttl));
    prompt->Edit(kBoxInterface)->setText(spec.iface);
    prompt->Edit(kBoxCount)->setText(QString::number(spec.count));
    prompt->findChild<QCheckBox*>(ui::ControlName(kBoxLoop))->setChecked(spec.loop);
    return prompt;
}

int CMulticastServerDlg::CreateFromPrompt(CPromptDlg& dlg, const QJsonObject& keptOptions,
                                          const TlsChoice*, const TlsMade*) {
    const auto& prompt = static_cast<const CSetMulticastDlg&>(dlg);
    if (prompt.m_nGroupPort <= 0 || prompt.m_nLocalPort <= 0 || !Root())
        return 0;
    const MulticastParams params{prompt.m_group, prompt.m_nGroupPort, prompt.m_interface,
                                 prompt.m_nTtl, prompt.m_bLoop};
    sock::UdpOptions member;
    member.group = sock::GroupOptions{
        .group = params.group,
        .iface = params.iface,
        .ttl = params.ttl,
        .loop = params.loop,
        .group6 = prompt.m_groupAddress.IsV6() ? prompt.m_groupAddress : IpEndpoint(),
        .ifindex = prompt.m_ifindex,
    };
    // Bound to the group's address (with its interface where the group needs one).
    member.local = MemberAddress(prompt.m_groupAddress, prompt.m_ifindex);
    IpEndpoint target = member.local;
    target.SetPort(params.groupPort);
    // The prompt checked the first port; later ones may be this page's already.
    std::vector<MadeEndpoints::Record> made;
    for (int i = 0; i < std::max(prompt.m_nCount, 1); ++i) {
        if (i > 0 &&
            IsMemberTaken(prompt.m_groupAddress, prompt.m_ifindex, prompt.m_nLocalPort + i)) {
            Message(tr("本地端口已经被占用!"), ui::AppTitle());
            break;
        }
        uint64_t key = 0;
        if (!CreateEndpoint(target, params.groupPort, prompt.m_nLocalPort + i, member,
                            prompt.m_interfaceLabel, &key))
            break;
        made.push_back({key, prompt.m_nLocalPort + i});
    }
    const int count = static_cast<int>(made.size());
    if (count > 0) {
        EndpointSpec spec;
        spec.group = prompt.Edit(kBoxGroup)->text();
        spec.port = prompt.m_nGroupPort;
        spec.localPort = prompt.m_nLocalPort;
        spec.count = count;
        spec.ttl = prompt.m_nTtl;
        spec.iface = prompt.Edit(kBoxInterface)->text();
        spec.loop = prompt.m_bLoop;
        spec.options = keptOptions;
        m_made.Add(spec, std::move(made));
    }
    return count;
}

}  // namespace quillet::pages
