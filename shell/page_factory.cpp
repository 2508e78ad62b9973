#include "page_factory.h"

#include <QWidget>

#include "tcp_client_dlg.h"
#include "tcp_server_dlg.h"
#include "udp_broad_dlg.h"
#include "udp_client_dlg.h"
#include "udp_server_dlg.h"
#include "ui_kit.h"

namespace quillet::shell {
namespace {

// A plain stand-in of a page's size for a page that is not built yet.
QWidget* Placeholder(QWidget* parent, int templateId, int widthDu, int heightDu) {
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("page%1").arg(templateId));
    page->resize(ui::Du(widthDu), ui::Du(heightDu));
    return page;
}

}  // namespace

std::array<QWidget*, kPageCount> CreatePages(QWidget* parent) {
    std::array<QWidget*, kPageCount> pages = {
        new pages::CTcpServerDlg(parent), new pages::CTcpClientDlg(parent),
        new pages::CUdpServerDlg(parent), new pages::CUdpClientDlg(parent),
        new pages::CUdpBroadDlg(parent),  Placeholder(parent, 299, 494, 302),
    };
    for (QWidget* page : pages)
        page->hide();
    return pages;
}

}  // namespace quillet::shell
