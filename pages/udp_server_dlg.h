#pragma once
// The UDP server page: binds one port on all local addresses; every sender to that port becomes
// a peer node of its own, whose received and sent logs the page shows and whom Send answers
// through the server socket.
//
// Threads: user-interface thread only; the engine's receive thread reaches the page through the
// notification hand-over of CDialogP.
#include "engine/udp_engine.h"
#include "pages/base/dialog_p.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

class CUdpServerDlg : public CDialogP {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 140;
    // Control ids (objectNames) of the page's tree and buttons.
    enum ControlId {
        kTree = 1050,
        kCreate = 1047,
        kStartReceive = 1034,
        kStopReceive = 1048,
        kDelete = 1049,
        kSend = 1020,
        kClearReceived = 1021,
        kClearSent = 1022,
    };

    explicit CUdpServerDlg(QWidget* parent = nullptr);
    ~CUdpServerDlg() override;
    std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) override;
    int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                         const TlsChoice* tls = nullptr, const TlsMade* made = nullptr) override;

protected:
    RecordStore& Store() override { return m_engine.m_store; }
    void HandleNewConnection(ConnectInfo* pInfo) override;
    void HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) override;
    void OnItemClick(TreeNode* item) override { Refresh(item); }

    virtual void OnCreate();
    virtual void OnStartReceive();
    virtual void OnStopReceive();
    virtual void OnDelete();

    void Refresh(TreeNode* item);
    // Every peer's icon from the server's running state and the peer's unread mark.
    void RefreshPeerIcons();

    // Where the server receives (the prompt's local address choice and the port).
    IpEndpoint m_listenOn;
    UdpEngine m_engine{this};

private:
    void CreateButtons();
    int PeerImage(bool unread) const;
};

}  // namespace quillet::pages
