// Hostile traffic for a while, with the user at work and then closing the page in the middle:
// TCP peers that connect and reset at once, as fast as they can; 65,000 UDP senders on one port
// while the user deletes peers. The figures say the page survived and what it kept.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "pages/tree/tree_ctrl_ex.h"

#include <atomic>
#include <memory>
#include <thread>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr auto kStorm = std::chrono::seconds(30);
constexpr int kUdpSenders = 65000;
// The storm that fills the tree: until it holds this many nodes, for at most kTreeStormLimit.
constexpr int kTreeStormNodes = 150000;
constexpr auto kTreeStormLimit = std::chrono::seconds(240);

// Connects and resets (a zero linger makes close send RST) until `stop`, at most 2,000,000 times.
long ConnectAndReset(int port, const std::atomic<bool>& stop) {
    const sockaddr_in to = test::Loopback(port);
    long made = 0;
    for (long i = 0; i < 2000000 && !stop; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0)
            ++made;
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close(fd);
    }
    return made;
}

// The user deletes the first peer now and then, as the storm goes on.
void DeleteSomePeers(pages::CDialogP& page, int deleteId, const std::function<bool()>& done) {
    pages::TreeNode* root = page.Tree()->topLevelItem(0);
    RunUntil(
        [&] {
            if (root->childCount() > 0 && ClickTreeItem(&page, root->child(0)))
                PressButton(&page, deleteId);
            RunFor(std::chrono::milliseconds(20));
            return done();
        },
        kStorm + std::chrono::seconds(30));
}

}  // namespace

bool PartResetStorm() {
    const int port = test::FreeTcpPort();
    auto page = ListeningPage<pages::CTcpServerDlg>(port);
    std::atomic<bool> stop{false};
    std::atomic<long> made{0};
    std::thread storm([&] { made = ConnectAndReset(port, stop); });
    Heartbeat beat;
    beat.Start();
    const auto until = Clock::now() + kStorm;
    DeleteSomePeers(*page, pages::CTcpServerDlg::kDelete, [&] { return Clock::now() >= until; });
    beat.Stop();
    page.reset();  // closed in the middle of the storm
    stop = true;
    storm.join();
    Report("reset_storm_connections", static_cast<double>(made));
    Report("reset_storm_per_second", made / Seconds(kStorm));
    Report("reset_storm_heartbeat_p99_ms", beat.P99Ms());
    Report("reset_storm_survived", 1);
    return true;
}

bool PartResetStormTree() {
    const int port = test::FreeTcpPort();
    auto page = ListeningPage<pages::CTcpServerDlg>(port);
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    std::atomic<bool> stop{false};
    std::atomic<long> made{0};
    std::thread storm([&] { made = ConnectAndReset(port, stop); });
    Heartbeat beat;
    beat.Start();
    const auto start = Clock::now();
    auto nextLook = start;
    // Now and then the user looks at the newest node, so rows in sight change all the time.
    RunUntil(
        [&] {
            if (Clock::now() >= nextLook && root->childCount() > 0) {
                ClickTreeItem(page.get(), root->child(root->childCount() - 1));
                nextLook = Clock::now() + std::chrono::milliseconds(500);
            }
            return root->childCount() >= kTreeStormNodes;
        },
        kTreeStormLimit);
    const double seconds = Seconds(Clock::now() - start);
    stop = true;
    beat.Stop();
    storm.join();
    Report("tree_storm_nodes", root->childCount());
    Report("tree_storm_seconds", seconds);
    Report("tree_storm_heartbeat_p99_ms", beat.P99Ms());
    Report("tree_storm_heartbeat_max_ms", beat.MaxMs());
    page.reset();
    return true;
}

bool PartUdpSendersWhileDeleting() {
    const int port = test::FreeUdpPort();
    auto page = ListeningPage<pages::CUdpServerDlg>(port);
    std::atomic<int> sent{0};
    std::atomic<bool> stop{false};
    std::thread senders([&] {
        const sockaddr_in to = test::Loopback(port);
        for (int i = 0; i < kUdpSenders && !stop; ++i) {
            const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            if (fd < 0)
                continue;
            sockaddr_in from{};
            from.sin_family = AF_INET;
            from.sin_addr.s_addr = htonl((127u << 24) + (2u << 16) + static_cast<uint32_t>(i));
            const char byte = 'u';
            if (bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) == 0 &&
                sendto(fd, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 1)
                ++sent;
            close(fd);
        }
    });
    Heartbeat beat;
    beat.Start();
    const auto until = Clock::now() + kStorm;
    DeleteSomePeers(*page, pages::CUdpServerDlg::kDelete, [&] { return Clock::now() >= until; });
    beat.Stop();
    const int listed = page->Tree()->topLevelItem(0)->childCount();
    page.reset();  // closed while senders may still be sending
    stop = true;
    senders.join();
    Report("udp_deleting_sent", sent);
    Report("udp_deleting_listed_at_close", listed);
    Report("udp_deleting_heartbeat_p99_ms", beat.P99Ms());
    Report("udp_deleting_survived", 1);
    return true;
}

}  // namespace quillet::bench
