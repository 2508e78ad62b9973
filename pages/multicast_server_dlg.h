#pragma once
// The multicast page (both multicast tabs show it): the UDP client page whose endpoints are
// group members. Each member socket is bound to the group address and a local port, joins the
// group on one interface and sends to the group's address and port.
//
// Binding to the group address (not 0.0.0.0) makes the bound address unique per group and
// port, which is the record's key, and keeps other groups' datagrams on the same port out.
//
// Threads: user-interface thread only, as the UDP client page.
#include <netinet/in.h>

#include "pages/prompts/set_multicast_dlg.h"
#include "pages/udp_client_dlg.h"

namespace quillet::pages {

// What one member is made with (addresses in network order).
struct MulticastParams {
    in_addr_t group = INADDR_NONE;
    int groupPort = 0;
    in_addr_t iface = INADDR_NONE;
    int ttl = 1;
    bool loop = true;
};

// Where a member of `group` binds: the group's address, with the interface `ifindex` as its
// zone for a link- or interface-local IPv6 group (port: the group's).
IpEndpoint MemberAddress(const IpEndpoint& group, unsigned ifindex);

class CMulticastServerDlg : public CUdpClientDlg, public MembershipsInUse {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 299;
    explicit CMulticastServerDlg(QWidget* parent = nullptr);
    std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) override;
    int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                         const TlsChoice* tls = nullptr, const TlsMade* made = nullptr) override;

    // True when a member of this page is bound to `group` and `port`.
    bool IsMemberTaken(in_addr_t group, int port) const;
    // The same for a group of either family joined on interface `ifindex`.
    bool IsMemberTaken(const IpEndpoint& group, unsigned ifindex, int port) const override;

protected:
    void OnCreate() override;
};

}  // namespace quillet::pages
