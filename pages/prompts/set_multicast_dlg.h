#pragma once
// The group prompt of the multicast page: group address and port, local port, time-to-live,
// the interface to join on, loop-back of own datagrams and a member count. OK refuses what
// cannot make a working member, so the page never creates half a member. The group may be an
// IPv4 or an IPv6 (ff00::/8) group; the interface an IPv4 address, an interface's name ("eth0")
// or one of its IPv6 addresses, of the group's family; for an IPv6 group the time-to-live is
// the hop limit.
//
// Threads: user-interface thread only. Run with ui::ExecModal.
#include <netinet/in.h>

#include <string>

#include "engine/ip_endpoint.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_dlg.h"

class QCheckBox;

namespace quillet::pages {

// What the prompt asks of its page: whether one of its members has joined `group` on
// interface `ifindex` with local port `port`.
class MembershipsInUse {
public:
    virtual bool IsMemberTaken(const IpEndpoint& group, unsigned ifindex, int port) const = 0;

protected:
    ~MembershipsInUse() = default;
};

// Control ids of the prompt's boxes.
enum MulticastBox {
    kBoxGroup = 1037,
    kBoxGroupPort = 1052,
    kBoxLocalPort = 1012,
    kBoxCount = 1011,
    kBoxTtl = 1013,
    kBoxInterface = 1014,
    kBoxLoop = 1015,
};

// The most members one confirmation may create.
inline constexpr int kMaxMemberCount = 1000;

class CSetMulticastDlg : public CPromptDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 301;
    // `defaultGroup` empty: 239.255.0.1; `defaultInterface`: the address to join on.
    CSetMulticastDlg(const MembershipsInUse* owner, const std::u16string& defaultGroup,
                     const std::string& defaultInterface, const QColor& colour,
                     QWidget* parent = nullptr);

    int32_t m_nGroupPort = 0;
    int32_t m_nLocalPort = 0;
    int32_t m_nTtl = 1;
    int32_t m_nCount = 1;
    bool m_bLoop = true;
    in_addr_t m_group = INADDR_NONE;      // network order; an IPv4 group's address
    in_addr_t m_interface = INADDR_NONE;  // network order; an IPv4 interface's address
    IpEndpoint m_groupAddress;            // the group, either family (port 0)
    unsigned m_ifindex = 0;               // the interface by index (0: by m_interface)
    std::string m_interfaceLabel;         // how members name their interface in the tree

protected:
    bool OnOk() override;

private:
    bool ReadPorts();
    bool ReadGroup();
    bool LocalPortFree();
    bool ReadTtl();
    bool ReadInterface();
    bool ReadInterfaceByName(const std::string& text);
    bool ReadCount();
    std::u16string Box(int id) const;

    const MembershipsInUse* m_owner;
    QCheckBox* m_loop;
};

// True for 224.0.0.0 to 239.255.255.255 (network order).
bool IsMulticastAddress(in_addr_t address);

}  // namespace quillet::pages
