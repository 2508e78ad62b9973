#pragma once
// Sending on the UDP pages: each send is one datagram from the page's endpoint, counted and
// logged when it went out; files go as one datagram or in pieces.
//
// Threads: user-interface thread only (SendController).
#include <functional>

#include "pages/send/send_controller.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

class UdpSendController : public SendController {
    Q_OBJECT
public:
    // Sends `len` bytes to a record's peer: bytes sent, or -1.
    using DatagramFn = std::function<int(ConnectInfo* rec, const char* data, int len)>;
    // `refresh` brings a node and the page's buttons up to date after a failed send.
    UdpSendController(SendSurface surface, AutoReply* autoReply, DatagramFn datagram,
                      std::function<void(TreeNode*)> refresh, bool sendsToAll);

protected:
    void SendSelected() override;
    RawSend SendRaw(ConnectInfo* rec, std::string bytes, bool logged) override;
    bool StreamsFiles() const override { return false; }

private:
    DatagramFn m_datagram;
    std::function<void(TreeNode*)> m_refresh;
};

}  // namespace quillet::pages
