#pragma once
// The broadcast page: the UDP client page with a send-oriented layout (full-height tree, no
// received view) whose endpoints are senders allowed to broadcast.
#include "pages/udp_client_dlg.h"

namespace quillet::pages {

class CUdpBroadDlg : public CUdpClientDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 296;
    explicit CUdpBroadDlg(QWidget* parent = nullptr);
    std::unique_ptr<CPromptDlg> WorkspacePrompt(const EndpointSpec& spec) override;
    int CreateFromPrompt(CPromptDlg& prompt, const QJsonObject& keptOptions = {},
                         const TlsChoice* tls = nullptr, const TlsMade* made = nullptr) override;

protected:
    void OnCreate() override;
};

}  // namespace quillet::pages
