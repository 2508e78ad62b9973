#pragma once
// The UDP client page: endpoints bound to a local port on the host's address, each aimed at one
// peer. Also the base of the broadcast and multicast pages, which keep its views and commands
// and bring their own Create (OnCreate) and button layout (CreatePageButtons' send-only flag).
//
// Threads: user-interface thread only; each endpoint's receive thread reaches the page through
// the notification hand-over of CDialogP.
#include <functional>
#include <string>

#include "engine/endpoint.h"
#include "engine/udp_engine.h"
#include "pages/base/dialog_p.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/local_choice.h"
#include "pages/prompts/set_udp_server_ip.h"

namespace quillet::pages {

class CUdpClientDlg : public CDialogP, public LocalPortsInUse {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 141;
    // Control ids (objectNames) of the page's tree and buttons; the broadcast and multicast
    // pages keep them.
    enum ControlId {
        kTree = 1051,
        kCreate = 1032,
        kDelete = 1036,
        kSend = 1039,
        kClearReceived = 1045,
        kClearSent = 1046,
    };

    explicit CUdpClientDlg(QWidget* parent = nullptr);
    ~CUdpClientDlg() override;

    // True when an endpoint of this page is bound to `port` on the host's address.
    bool IsLocalPortTaken(int port) const override;
    std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) override;
    int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                         const TlsChoice* tls = nullptr, const TlsMade* made = nullptr) override;

protected:
    // For the derived pages: their template, layout and colour; they call CreatePageButtons.
    CUdpClientDlg(int templateId, PageLayout layout, QWidget* parent);

    // Creates the page's buttons; a non-zero `sendOnly` leaves out Clear received and puts
    // Clear sent in the top row. Returns 0.
    virtual int CreatePageButtons(int sendOnly);

    RecordStore& Store() override { return m_engine.m_store; }
    void HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) override;
    void OnItemClick(TreeNode* item) override { Refresh(item); }

    virtual void OnCreate();
    virtual void OnDelete();
    virtual void OnClearReceived();
    virtual void OnClearSent();
    void Refresh(TreeNode* item);

    // Creates `count` endpoints (at least one) on the local ports from `localPort` up, aimed at
    // `peer`; the node text shows `peerPort`. Stops at the first that fails, keeping those made.
    // `options` adds broadcast or group options (its local address is set per endpoint).
    // Returns the records made.
    std::vector<MadeEndpoints::Record> CreateEndpoints(const IpEndpoint& peer, int peerPort,
                                                       int localPort, int count,
                                                       const sock::UdpOptions& options = {});
    // One endpoint: its socket bound with `options` (sock::OpenUdpEndpoint), its record listed,
    // its node, receive thread and selection. It binds to the local address of m_createFrom
    // (by default the host's address, or for an IPv6 peer the one the routing table picks) and
    // `localPort`, or, as a group member, to the group's address and `localPort` and is
    // labelled with `memberLabel` (its interface). False (after a message) when nothing was made;
    // else the record's key in *key when given.
    bool CreateEndpoint(const IpEndpoint& peer, int peerPort, int localPort,
                        const sock::UdpOptions& options, const std::string& memberLabel = {},
                        uint64_t* key = nullptr);
    // The spec of endpoints made from a peer-address prompt (UDP client, broadcast), and their
    // records kept for a workspace.
    void RememberMade(const CSetUdpServerIp& prompt, const QJsonObject& keptOptions,
                      std::vector<MadeEndpoints::Record> records);
    // Where a plain endpoint aimed at `peer` binds (port `localPort`); empty, after a message,
    // when there is no such address.
    IpEndpoint EndpointLocal(const IpEndpoint& peer, int localPort, std::string* label);

    // Fills a peer-address prompt from a workspace's endpoint.
    static void FillPeerPrompt(CSetUdpServerIp* prompt, const EndpointSpec& spec);

    // The local address choice of the prompt that is creating endpoints.
    LocalChoice m_createFrom;

    UdpEngine m_engine{this};
    std::u16string m_strLastPeer;  // the peer the next prompt offers: that of the last endpoint

    static inline const QColor kPromptColour{232, 243, 250};
};

}  // namespace quillet::pages
