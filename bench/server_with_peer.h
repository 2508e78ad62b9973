#pragma once
// A TCP server page listening on a free port with one loopback peer connected and listed: the
// setting of the page parts that flood one connection. User-interface thread only.
#include <unistd.h>

#include <chrono>

#include "pages/tree/tree_ctrl_ex.h"

#include "bench/page_probes.h"
#include "engine/crit_sec.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {

using namespace quillet::engine;

// A server page listening on a free port with one peer connected and shown.
struct ServerWithPeer {
    pages::CTcpServerDlg page;
    int peer = -1;
    ConnectInfo* rec = nullptr;
    pages::TreeNode* node = nullptr;

    // False when the peer is not listed within `bound`.
    bool Start(std::chrono::milliseconds bound = std::chrono::seconds(5)) {
        page.show();
        const int port = quillet::test::FreeTcpPort();
        AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
        PressButton(&page, pages::CTcpServerDlg::kCreate);
        peer = quillet::test::TcpConnect(port);
        pages::TreeNode* root = page.Tree()->topLevelItem(0);
        if (peer < 0 || !RunUntil([&] { return root->childCount() == 1; }, bound))
            return false;
        node = root->child(0);
        rec = pages::CTreeCtrlEx::ItemData<ConnectInfo>(node);
        return rec != nullptr;
    }
    ~ServerWithPeer() {
        if (peer >= 0)
            close(peer);
    }
    size_t Counted() {
        CCritSecLock lock(g_csConnect);
        return rec->nRecvBytesAll;
    }
    size_t LogBytes() {
        CCritSecLock lock(g_csConnect);
        return rec->strRecv.HeldBytes();
    }
    uint64_t LogEnd() {
        CCritSecLock lock(g_csConnect);
        return rec->strRecv.End();
    }
};

}  // namespace quillet::bench
