#include "pages/base/page_root.h"

#include <QTimer>

#include <string>

#include "encoding/labels.h"
#include "encoding/wide_narrow.h"
#include "engine/connect_info.h"
#include "engine/local_address.h"
#include "pages/common/engine_names.h"
#include "pages/common/qt_text.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "pages/tree/tree_images.h"

namespace quillet::pages {

namespace {

const QColor kRootText(136, 0, 21);
// How often a page whose tree was built before the host's address was known looks for it.
constexpr int kHostWatchMs = 250;

void WatchHostAddress(CTreeCtrlEx* tree, QObject* owner) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(QStringLiteral("hostAddressWatch"));
    QObject::connect(timer, &QTimer::timeout, owner, [tree, timer] {
        std::string host;
        if (!TryGetLocalHostAddress(&host))
            return;
        timer->deleteLater();
        TreeNode* root = tree->topLevelItem(0);
        auto* state = root ? CTreeCtrlEx::ItemData<ServerState>(root) : nullptr;
        if (!state || host.empty())
            return;
        state->strHost = host;
        const std::string text = state->nPort > 0 ? enc::FormatEndpoint(host, state->nPort) : host;
        root->setText(0, ToQString(enc::ToWide(text)));
    });
    timer->start(kHostWatchMs);
}

}  // namespace

void MakeRootNode(CTreeCtrlEx* tree, QObject* owner) {
    const std::string host = GetLocalHostAddress();
    TreeNode* root = tree->InsertItem(ToQString(enc::ToWide(host)));
    tree->setRootIsDecorated(true);
    tree->setHeaderHidden(true);
    tree->SetImageList(CTreeCtrlEx::StandardImageList());
    tree->SetItemImage(root, kImageEndpointIdle);
    auto* state = new ServerState;
    state->strHost = host;
    CTreeCtrlEx::SetItemData(root, state);
    CTreeCtrlEx::SetItemBold(root, true);
    CTreeCtrlEx::SetItemColor(root, kRootText);
    std::string known;
    if (!TryGetLocalHostAddress(&known))
        WatchHostAddress(tree, owner);  // the lookup outlasted its bound
}

}  // namespace quillet::pages
