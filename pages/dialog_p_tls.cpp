// The TLS items of the tree's menu on the TCP pages, and the TLS choice in what a TCP page
// remembers of an endpoint for a workspace.
#include <QMenu>

#include "engine/record_store.h"
#include "pages/dialog_p.h"
#include "pages/engine_names.h"
#include "pages/tls_cert_dlg.h"
#include "pages/tls_choice_json.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

void CDialogP::AddTlsActions(QMenu* menu, TreeNode* item) {
    if (OffersStartTls()) {
        ConnectInfo* selected = RecordOf(SelectedConnection());
        QAction* start = menu->addAction(tr("开始 TLS"));
        start->setObjectName(QStringLiteral("actionStartTls"));
        start->setEnabled(selected && Store().IsOpen(selected) && !SessionOf(selected));
        const uint64_t key = selected ? selected->nId : 0;  // TCP records are keyed by id
        connect(start, &QAction::triggered, this, [this, selected, key] {
            if (selected && Store().IsListed(key, selected))
                StartTlsOn(selected);
        });
    }
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

QJsonObject CDialogP::TcpOptionsWith(const QJsonObject& kept, const LocalChoice& local,
                                     const sock::SocketOptions& socket, const TlsChoice& tls) {
    QJsonObject options = OptionsWith(kept, local);
    options.remove(QStringLiteral("socket"));
    options.remove(QStringLiteral("tls"));
    if (!socket.IsDefault())
        options.insert(QStringLiteral("socket"), QString::fromStdString(socket.ToText()));
    if (tls.enabled)
        options.insert(QStringLiteral("tls"), TlsChoiceToJson(tls));
    return options;
}

}  // namespace quillet::pages
