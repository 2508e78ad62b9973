#pragma once
// The peer-address prompt of the UDP client page: peer address and port, local port and client
// count. OK refuses bad ports, a local port already used on the owner page and counts the page
// cannot honour; the address is resolved and checked by the prompt itself.
//
// Threads: user-interface thread only. Run with ui::ExecModal.
#include <netinet/in.h>

#include <optional>
#include <string>

#include "pages/prompts/prompt_dlg.h"

namespace quillet::pages {

// What the prompt asks of its page: whether one of the page's endpoints uses a local port.
class LocalPortsInUse {
public:
    virtual bool IsLocalPortTaken(int port) const = 0;

protected:
    ~LocalPortsInUse() = default;
};

// The most clients (or senders) one confirmation may create.
inline constexpr int kMaxClientCount = 1000;

class CSetUdpServerIp : public CPromptDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 142;
    // Control ids (objectNames) of the prompt's boxes.
    enum ControlId {
        kBoxAddress = 1037,
        kBoxPeerPort = 1052,
        kBoxLocalPort = 1012,
        kBoxCount = 1011,
    };

    // `defaultAddress` empty: the first adapter's address is offered.
    // "高级…" chooses the local address of the endpoints (LocalChoice, settings `page`).
    CSetUdpServerIp(const LocalPortsInUse* owner, const std::u16string& defaultAddress,
                    const QColor& colour, QWidget* parent = nullptr);

    int32_t m_nPeerPort = 0;
    int32_t m_nLocalPort = 0;
    int32_t m_nClientCount = 0;
    IpEndpoint m_addrPeer;   // either family
    IpEndpoint m_addrLocal;  // the wildcard of the peer's family and the local port

protected:
    // For prompts of the same form with another caption and address row.
    CSetUdpServerIp(int templateId, const QString& caption, const QString& addressLabel,
                    const QString& address, const LocalPortsInUse* owner, const QColor& colour,
                    QWidget* parent, const char* page);

    bool OnOk() override;
    // The peer's address from the address box's text (narrow, at most 39 characters); may warn.
    // nullopt while a host name is looked up, or when refused (PeerOrLookUp).
    virtual std::optional<IpEndpoint> ReadPeerAddress(const std::string& text);
    // Whether an unusable address gets the "wrong address" message and keeps the prompt open.
    virtual bool RefusesNoneAddress() const { return true; }

private:
    bool CountFits();

    const LocalPortsInUse* m_owner;
};

}  // namespace quillet::pages
