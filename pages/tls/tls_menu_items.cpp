#include "pages/tls/tls_menu_items.h"

#include <QCoreApplication>
#include <QMenu>

#include "pages/tls/tls_cert_dlg.h"
#include "skin/ui_kit.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

void AddTlsMenuItems(QMenu* menu, QWidget* page, RecordStore& store, ConnectInfo* selected,
                     ConnectInfo* item, std::function<void(ConnectInfo*)> startTls) {
    QAction* start =
        menu->addAction(QCoreApplication::translate("quillet::pages::TlsMenuItems", "开始 TLS"));
    start->setObjectName(QStringLiteral("actionStartTls"));
    start->setEnabled(selected && store.IsOpen(selected) && !SessionOf(selected));
    const uint64_t key = selected ? selected->nId : 0;
    QObject::connect(start, &QAction::triggered, page,
                     [&store, selected, key, startTls = std::move(startTls)] {
                         if (selected && store.IsListed(key, selected))
                             startTls(selected);
                     });
    const std::shared_ptr<tls::Session> session = SessionOf(item);
    if (!session)
        return;
    QAction* action =
        menu->addAction(QCoreApplication::translate("quillet::pages::TlsMenuItems", "证书..."));
    action->setObjectName(QStringLiteral("actionTlsCertificate"));
    QObject::connect(action, &QAction::triggered, page, [page, session] {
        CTlsCertDlg dlg(session->Snapshot(), page);
        ui::ExecModal(&dlg);
    });
}

}  // namespace quillet::pages
