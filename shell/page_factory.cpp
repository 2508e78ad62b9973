#include "shell/page_factory.h"

#include <QPlainTextEdit>
#include <QWidget>

#include "pages/multicast_server_dlg.h"
#include "pages/common/page_names.h"
#include "pages/base/reading_order.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_broad_dlg.h"
#include "pages/udp_client_dlg.h"
#include "pages/udp_server_dlg.h"

namespace quillet::shell {

std::array<QWidget*, kPageCount> CreatePages(QWidget* parent) {
    std::array<QWidget*, kPageCount> pages = {
        new pages::CTcpServerDlg(parent), new pages::CTcpClientDlg(parent),
        new pages::CUdpServerDlg(parent), new pages::CUdpClientDlg(parent),
        new pages::CUdpBroadDlg(parent),  new pages::CMulticastServerDlg(parent),
    };
    for (QWidget* page : pages) {
        auto* dialog = static_cast<pages::CDialogP*>(page);
        pages::SetReadingTabOrder(dialog);
        pages::NamePageControls(dialog->SendBox(), dialog->SentView());
        page->hide();
    }
    return pages;
}

}  // namespace quillet::shell
