#pragma once
// The broadcast-address prompt: the peer-address prompt's form, offering the directed broadcast
// address, and warning (without refusing) when the address looks like no broadcast address.
#include "pages/prompts/set_udp_server_ip.h"

namespace quillet::pages {

class CSetDlgBroadIp : public CSetUdpServerIp {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 297;
    // `defaultAddress` empty: the first adapter's directed broadcast address is offered.
    CSetDlgBroadIp(const LocalPortsInUse* owner, const std::u16string& defaultAddress,
                   const QColor& colour, QWidget* parent = nullptr);

protected:
    // Broadcast is IPv4's: an IPv6 address (or local address) is refused with a message.
    std::optional<IpEndpoint> ReadPeerAddress(const std::string& text) override;
    bool RefusesNoneAddress() const override { return false; }  // 255.255.255.255 is wanted here
    // A name with IPv6 addresses only is told what the page can use.
    QString WrongFamilyText(int family) const override;
};

}  // namespace quillet::pages
