// The TCP server page at the usual desktop open-file limit (1024) with 1,200 clients: it keeps
// running for a minute, serves the clients it kept, refuses the rest with a clean close, and
// accepts new clients once others leave. The clients live in child processes of their own.
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "pages/tree/tree_ctrl_ex.h"

#include <cstdio>
#include <memory>

#include "bench/child_peers.h"
#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "pages/base/dialog_p.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr int kSoftLimit = 1024;
constexpr int kStorm = 1200;
constexpr int kLater = 100;
constexpr auto kRunOn = std::chrono::seconds(60);
constexpr auto kLimit = std::chrono::seconds(30);

// One client of this process sends a line and the page logs it: the server still serves.
bool ServesANewClient(pages::CTcpServerDlg& page, int port) {
    test::PeerSocket client(test::TcpConnect(port));
    if (client.fd() < 0)
        return false;
    const char line[] = "still here";
    if (send(client.fd(), line, sizeof line - 1, MSG_NOSIGNAL) != sizeof line - 1)
        return false;
    pages::TreeNode* root = page.Tree()->topLevelItem(0);
    return RunUntil(
        [&] {
            pages::TreeNode* last =
                root->childCount() ? root->child(root->childCount() - 1) : nullptr;
            return last &&
                   last->text(0).endsWith(
                       QStringLiteral(":%1").arg(test::LocalPort(client.fd()))) &&
                   pages::CTreeCtrlEx::GetItemImage(last) == pages::kImageOpenUnread;
        },
        kLimit);
}

}  // namespace

bool PartDescriptorLimit() {
    if (!SetSoftFileLimit(kSoftLimit))
        return false;
    const int port = quillet::test::FreeTcpPort();
    auto page = ListeningPage<pages::CTcpServerDlg>(port);
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    auto storm = std::make_unique<ChildPeers>();
    if (!storm->Start(port, kStorm))
        return false;
    const auto settled = [&] {
        return root->childCount() + static_cast<int>(page->Engine().RefusedConnections()) >= kStorm;
    };
    RunUntil([&] { return storm->Done() && settled(); }, kLimit);
    const int kept = root->childCount();
    Report("fdlimit_kept", kept);
    Report("fdlimit_refused", page->Engine().RefusedConnections());
    // A minute at the limit, as a user would leave it; the window keeps its heartbeat.
    Heartbeat beat;
    beat.Start();
    RunFor(kRunOn);
    beat.Stop();
    Report("fdlimit_heartbeat_p99_ms", beat.P99Ms());
    Report("fdlimit_alive_after_minute", 1);
    storm->Stop();  // every stormer leaves; the page gives their descriptors back as it closes
    const auto allClosed = [&] {
        for (int i = 0; i < root->childCount(); ++i) {
            const int image = pages::CTreeCtrlEx::GetItemImage(root->child(i));
            if (image != pages::kImageClosed && image != pages::kImageClosedUnread)
                return false;
        }
        return true;
    };
    RunUntil(allClosed, kLimit);
    ChildPeers later;
    if (!later.Start(port, kLater))
        return false;
    const int before = root->childCount();
    RunUntil([&] { return later.Done() && root->childCount() >= before + kLater; }, kLimit);
    Report("fdlimit_accepted_after_leaving", root->childCount() - before);
    Report("fdlimit_serves_new_client", ServesANewClient(*page, port) ? 1 : 0);
    later.Stop();
    page.reset();
    return true;
}

}  // namespace quillet::bench
