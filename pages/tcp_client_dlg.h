#pragma once
// The TCP client page: connections the user creates towards a target, connects, disconnects,
// connects again and deletes, with their received and sent logs.
//
// Connecting never blocks the window: the connect runs non-blocking and a socket notifier
// finishes it. A pending connect belongs to its record until it ends; deleting the record or
// tearing down the page cancels it.
//
// Threads: user-interface thread; the engine's receive workers reach the page only through the
// notification hand-over of CDialogP.
#include <map>
#include <memory>
#include <vector>

#include "engine/endpoint.h"
#include "engine/tcp_engine.h"
#include "pages/base/dialog_p.h"
#include "pages/common/engine_names.h"

class QSocketNotifier;
class QTimer;

namespace quillet::pages {

class CTcpClientDlg : public CDialogP {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 130;
    // Control ids (objectNames) of the page's tree and buttons.
    enum ControlId {
        kTree = 1038,
        kCreate = 1032,
        kConnect = 1034,
        kDisconnect = 1035,
        kDelete = 1036,
        kSend = 1039,
        kClearReceived = 1045,
        kClearSent = 1046,
    };

    explicit CTcpClientDlg(QWidget* parent = nullptr);
    ~CTcpClientDlg() override;

    TcpEngine& Engine() { return m_engine; }
    const QString& LastTarget() const { return m_strLastTarget; }
    size_t PendingConnects() const { return m_pending.size(); }
    std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) override;
    int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                         const TlsChoice* tls = nullptr, const TlsMade* made = nullptr) override;
    std::optional<TlsChoice> PromptTls(const CPromptDlg& prompt, const TlsChoice* tls,
                                       QString* typedName) const override;

protected:
    RecordStore& Store() override { return m_engine.m_store; }
    void AddNodeItems(QMenu* menu, TreeNode* item) override;
    void HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) override;
    void OnItemClick(TreeNode* item) override { RefreshItem(item); }
    QString NodeNote(ConnectInfo* rec) override;

private:
    // 开始 TLS on `rec` with the page's TLS options, once they are read.
    void StartTlsOn(ConnectInfo* rec);
    // The connects started by one command; it reports their failures once, when all have ended.
    struct ConnectBatch {
        int remaining = 0;
        bool socketError = false;
        bool failed = false;
        int error = 0;  // errno of the first failure
    };
    struct PendingConnect {
        sock::Socket socket;
        QSocketNotifier* notifier = nullptr;
        std::shared_ptr<ConnectBatch> batch;
        QTimer* timer = nullptr;  // the connect time-out, when one was chosen
    };

    void CreateButtons();
    void RefreshItem(TreeNode* item);
    void OnCreate();
    void OnConnect();
    void OnDisconnect();
    void OnDelete();

    void StartConnects(const std::vector<ConnectInfo*>& records);
    void StartConnect(ConnectInfo* rec, const std::shared_ptr<ConnectBatch>& batch);
    void OnConnectReady(ConnectInfo* rec);
    // The chosen connect time-out passed: the connect fails as if the system had given up.
    void OnConnectTimeout(ConnectInfo* rec);
    void ConnectFailed(ConnectInfo* rec, PendingConnect pending, int error);
    // The socket options of a record (the defaults unless its prompt chose some).
    const sock::SocketOptions& OptionsOf(const ConnectInfo* rec) const;
    void Connected(ConnectInfo* rec, sock::Socket socket);
    void EndConnect(const std::shared_ptr<ConnectBatch>& batch, bool failed, int error = 0);
    // After a failed connect: aims `rec` at its target name's next address, if one is left.
    bool TryNextAddress(ConnectInfo* rec);
    void ReportBatch(const ConnectBatch& batch);
    // A connection closed during its TLS handshake: the message says why.
    void TellHandshakeFailure(ConnectInfo* rec);
    // Stops a pending connect; returns its batch when that was the batch's last connect.
    std::shared_ptr<ConnectBatch> CancelConnect(ConnectInfo* rec);

    QString m_strLastTarget;
    std::map<ConnectInfo*, PendingConnect> m_pending;
    // By record id: the further addresses of the name a record was created for.
    std::map<uint32_t, std::vector<IpEndpoint>> m_nextAddresses;
    // By record id: the socket options its prompt chose, when not the defaults.
    std::map<uint32_t, sock::SocketOptions> m_options;
    TcpEngine m_engine{this};
};

}  // namespace quillet::pages
