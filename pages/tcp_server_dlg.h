#pragma once
// The TCP server page: one listening server (the tree's root) and the clients it accepted (its
// children), with their received and sent logs, answering and disconnecting the selected one.
//
// Threads: user-interface thread; the engine's workers reach the page only through the
// notification hand-over of CDialogP.
#include "engine/tcp_engine.h"
#include "pages/base/dialog_p.h"
#include "pages/common/engine_names.h"

class QMessageBox;

namespace quillet::pages {

class CTcpServerDlg : public CDialogP {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 129;
    // Control ids (objectNames) of the page's tree and buttons.
    enum ControlId {
        kTree = 1025,
        kCreate = 1030,
        kListen = 1033,
        kStopListen = 1035,
        kDisconnect = 1036,
        kDelete = 1037,
        kSend = 1020,
        kClearReceived = 1021,
        kClearSent = 1022,
    };

    explicit CTcpServerDlg(QWidget* parent = nullptr);
    ~CTcpServerDlg() override;

    TcpEngine& Engine() { return m_engine; }
    std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) override;
    int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                         const TlsChoice* tls = nullptr, const TlsMade* made = nullptr) override;
    std::optional<TlsChoice> PromptTls(const CPromptDlg& prompt, const TlsChoice* tls,
                                       QString* typedName) const override;
    // Worker side: connections were closed at once for want of descriptors.
    void OnConnectionsRefused(unsigned total) override;

protected:
    RecordStore& Store() override { return m_engine.m_store; }
    void AddNodeItems(QMenu* menu, TreeNode* item) override;
    void HandleNewConnection(ConnectInfo* pInfo) override;
    void HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) override;
    void OnItemClick(TreeNode* item) override { RefreshItem(item); }
    QString NodeNote(ConnectInfo* rec) override;

private:
    // 开始 TLS on `rec` with the page's TLS options, once they are read.
    void StartTlsOn(ConnectInfo* rec);
    void CreateButtons();
    void RefreshItem(TreeNode* item);
    void OnCreate();
    void OnListen();
    void OnStopListen();
    void OnDisconnect();
    // Puts the TLS configuration of `choice` (off: plain TCP) in force, with `made` its context;
    // false when that could not be made (told) or its key's password was not given.
    bool ConfigureTls(const TlsChoice& choice, const TlsMade* made);
    // Says how many connections were refused: in the root's tooltip, and in a note that opens
    // once, without blocking, the first time.
    void ShowRefused();

    QMessageBox* m_refusedNote = nullptr;  // child of the page
    // Where the server listens (the prompt's local address choice and the port).
    IpEndpoint m_listenOn;
    // The socket options it listens with, and that its connections get.
    sock::SocketOptions m_options;
    TcpEngine m_engine{this};
};

}  // namespace quillet::pages
