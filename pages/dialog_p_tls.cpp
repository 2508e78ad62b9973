// The TLS items of the tree's menu on the TCP pages.
#include <QMenu>

#include "pages/dialog_p.h"
#include "pages/tls_cert_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

void CDialogP::AddTlsActions(QMenu* menu, TreeNode* item) {
    ConnectInfo* rec = RecordOf(item);
    const std::shared_ptr<tls::Session> session = SessionOf(rec);
    if (!session)
        return;
    QAction* action = menu->addAction(tr("证书..."));
    action->setObjectName(QStringLiteral("actionTlsCertificate"));
    connect(action, &QAction::triggered, this, [this, session] {
        CTlsCertDlg dlg(session->Snapshot(), this);
        ui::ExecModal(&dlg);
    });
}

}  // namespace quillet::pages
