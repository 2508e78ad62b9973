#pragma once
// Sending on the TCP pages: through the engine's writers, without waiting for the peer. A text
// that waits for the peer is logged (and the box emptied, if it still holds it) once all of it
// is taken; a failed send closes the connection and tells the user the peer has gone. Files are
// streamed.
//
// Threads: user-interface thread only (SendController).
#include <functional>

#include "pages/send/send_controller.h"
#include "engine/tcp_engine.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

class TcpSendController : public SendController {
    Q_OBJECT
public:
    // `refresh` brings a node and the page's buttons up to date after its connection closed.
    TcpSendController(SendSurface surface, TcpEngine& engine,
                      std::function<void(TreeNode*)> refresh, bool sendsToAll);

protected:
    void SendSelected() override;
    RawSend SendRaw(ConnectInfo* rec, std::string bytes, bool logged) override;
    bool StreamsFiles() const override { return true; }
    void ConnectionLost(TreeNode* node) override { m_refresh(node); }

private:
    // Sends the box's (or one-off) bytes; the byte count to log now, else 0 (told or queued).
    int SendWire(TreeNode* item, ConnectInfo* rec, std::string& wire,
                 const std::shared_ptr<const std::u16string>& text);
    // What the engine's answer to a send of `size` bytes means: the count to log now, else 0
    // (told, or queued to be logged when the writer reports it).
    int AfterSend(TcpEngine::SendResult result, TreeNode* item, ConnectInfo* rec, size_t size);

    TcpEngine& m_engine;
    std::function<void(TreeNode*)> m_refresh;
};

}  // namespace quillet::pages
