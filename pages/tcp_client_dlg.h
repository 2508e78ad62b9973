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
#include "pages/dialog_p.h"

class QSocketNotifier;

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

protected:
    RecordStore& Store() override { return m_engine.m_store; }
    RawSend SendRaw(ConnectInfo* rec, std::string bytes, bool logged) override {
        return SendRawTcp(m_engine, rec, std::move(bytes), logged);
    }
    AutoReply* PageAutoReply() override { return &m_engine.AutoReplies(); }
    bool StreamsFiles() const override { return true; }
    bool OffersStartTls() const override { return true; }
    bool StartTlsOn(ConnectInfo* rec) override;
    void HandleConnectionUpdate(ConnectInfo* pInfo, int kind) override;
    void OnItemClick(TreeNode* item) override { RefreshItem(item); }

private:
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
    TcpEngine m_engine{this};
};

}  // namespace quillet::pages
