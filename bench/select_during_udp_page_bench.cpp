// Selecting a connection whose log holds 1 GiB on the TCP server page while a UDP server page
// receives 20,000 datagrams a second: datagrams sent and logged, beside the same storm with no
// selection in the middle.

#include <chrono>
#include <future>
#include <string>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "bench/server_with_peer.h"
#include "engine/chunk_log.h"
#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/record_log.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "pages/udp_server_dlg.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr uint64_t kHugeLog = uint64_t{1} << 30;
constexpr uint64_t kNoLimit = uint64_t{4} << 30;
// 10 senders of 4,000 datagrams of 100 bytes each, 20,000 a second together: two seconds.
constexpr int kSenders = 10;
constexpr int kPerSender = 4000;
constexpr int kSize = 100;
constexpr double kRate = 20000;
// The selection comes this long after the storm began, well inside it.
constexpr auto kSelectAfter = std::chrono::milliseconds(500);
constexpr auto kQuiet = std::chrono::milliseconds(300);
constexpr auto kLimit = std::chrono::seconds(30);

size_t Logged(pages::TreeNode* root) {
    return LoggedBytes(root) / kSize;
}

// One storm into a fresh UDP server page; when `select` is given, it is run once, kSelectAfter
// into the storm. Reports `key`_sent and `key`_logged.
bool Storm(const std::string& key, const std::function<void()>& select) {
    const int port = quillet::test::FreeUdpPort();
    auto page = ListeningPage<pages::CUdpServerDlg>(port);
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    const auto start = Clock::now();
    auto sender = std::async(
        std::launch::async, [=] { return SendUdpStorm(port, kSenders, kPerSender, kSize, kRate); });
    bool selected = !select;
    size_t sent = 0, seen = 0;
    auto lastChange = Clock::now();
    RunUntil(
        [&] {
            if (!selected && Clock::now() - start >= kSelectAfter) {
                select();
                selected = true;
            }
            if (sent == 0 && sender.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
                sent = sender.get();
            const size_t now = Logged(root);
            if (now != seen) {
                seen = now;
                lastChange = Clock::now();
            }
            return sent != 0 && (now >= sent || Clock::now() - lastChange > kQuiet);
        },
        kLimit);
    if (sent == 0)
        sent = sender.get();
    Report(key + "_sent", static_cast<double>(sent));
    Report(key + "_logged", static_cast<double>(Logged(root)));
    return sent > 0 && selected;
}

}  // namespace

bool PartSelectDuringUdp() {
    ServerWithPeer s;
    if (!s.Start())
        return false;
    SetLogLimits(kNoLimit, kNoLimit);  // after the first page applied the settings' limits
    const std::string chunk(10239, 'x');
    for (uint64_t logged = 0; logged < kHugeLog; logged += chunk.size())
        LogReceivedChunk(s.rec, chunk, true);
    if (!Storm("quiet", nullptr))
        return false;
    double paintMs = 0;
    const bool ok = Storm("select", [&] {
        const auto start = Clock::now();
        ClickTreeItem(&s.page, s.node);
        s.page.ReceivedView()->repaint();
        paintMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    });
    Report("select_first_paint_ms", paintMs);
    Report("select_log_MB", s.LogBytes() / 1e6);
    return ok;
}

}  // namespace quillet::bench
