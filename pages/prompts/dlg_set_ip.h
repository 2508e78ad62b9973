#pragma once
// The target prompt of the TCP client page: the other side's address, its port and how many
// connections to make to it.
//
// "高级…" chooses the local address the connections are made from (LocalChoice).
//
// Threads: user-interface thread; OK resolves the address, a host name in the background.
#include <netinet/in.h>

#include <vector>

#include "pages/prompts/prompt_dlg.h"

namespace quillet::pages {

class CDlgSetIp : public CPromptDlg {
    Q_OBJECT
public:
    // More connections than this from one prompt are refused.
    static constexpr int kMaxConnections = 5000;
    static constexpr int kTemplateId = 139;
    // Control ids (objectNames) of the prompt's boxes.
    enum ControlId {
        kBoxAddress = 1037,
        kBoxPort = 1010,
        kBoxCount = 1011,
    };

    // `defaultAddress` fills the address box; when empty, the first adapter's address does.
    CDlgSetIp(const QString& defaultAddress, const QColor& colour, QWidget* parent);

    int32_t m_nPort = 0;
    int32_t m_nCount = 0;
    IpEndpoint m_addrTarget;  // either family
    QString m_strTyped;       // the target as typed (a name or an address)
    // A name's further addresses (same port), tried in turn while connects to it fail.
    std::vector<IpEndpoint> m_alternatives;
    QString m_strDefault;

protected:
    bool OnOk() override;
};

}  // namespace quillet::pages
