// Selecting a connection whose log holds 1 GiB on the TCP server page: the time from the click
// to the received view's first paint, beside the same for a log of 64 KiB.
#include <chrono>
#include <string>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "bench/server_with_peer.h"
#include "engine/chunk_log.h"
#include "engine/record_log.h"
#include "pages/tcp_server_dlg.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

using Clock = std::chrono::steady_clock;
// A TCP receive call's largest chunk.
constexpr size_t kChunk = 10239;

// Fills the log of a connection with `bytes` as a receive thread would, selects it and
// reports the time to the view's first paint under `key`.
bool TimeSelection(uint64_t bytes, const std::string& key) {
    ServerWithPeer server;
    if (!server.Start())
        return false;
    // The first page applied the settings' limits; the whole log is to stay.
    SetLogLimits(uint64_t{2} << 30, uint64_t{2} << 30);
    pages::CTcpServerDlg& page = server.page;
    pages::TreeNode* node = server.node;
    ConnectInfo* rec = server.rec;
    const std::string chunk(kChunk, 'x');
    for (uint64_t logged = 0; logged < bytes; logged += kChunk)
        LogReceivedChunk(rec, chunk, true);
    RunFor(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    ClickTreeItem(&page, node);
    page.ReceivedView()->repaint();
    const auto painted = Clock::now();
    Report(key, std::chrono::duration<double, std::milli>(painted - start).count());
    return true;
}

}  // namespace

bool PartSelectHugeLog() {
    return TimeSelection(uint64_t{64} << 10, "small_first_paint_ms") &&
           TimeSelection(uint64_t{1} << 30, "huge_first_paint_ms");
}

}  // namespace quillet::bench
