#include "page_factory.h"

#include <QWidget>

#include "multicast_server_dlg.h"
#include "tcp_client_dlg.h"
#include "tcp_server_dlg.h"
#include "udp_broad_dlg.h"
#include "udp_client_dlg.h"
#include "udp_server_dlg.h"

namespace quillet::shell {

std::array<QWidget*, kPageCount> CreatePages(QWidget* parent) {
    std::array<QWidget*, kPageCount> pages = {
        new pages::CTcpServerDlg(parent), new pages::CTcpClientDlg(parent),
        new pages::CUdpServerDlg(parent), new pages::CUdpClientDlg(parent),
        new pages::CUdpBroadDlg(parent),  new pages::CMulticastServerDlg(parent),
    };
    for (QWidget* page : pages)
        page->hide();
    return pages;
}

}  // namespace quillet::shell
