// 64 MiB in 4 KiB writes from one loopback peer into a connection of the TCP server page, with
// the connection selected (its view follows live) or not, beside a plain recv loop.
#include <sys/socket.h>
#include <unistd.h>

#include <QPlainTextEdit>
#include <QTextDocument>
#include "pages/tree/tree_ctrl_ex.h"

#include <cstdio>
#include <future>
#include <thread>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "bench/server_with_peer.h"
#include "engine/crit_sec.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr size_t kTotal = size_t{64} << 20;
constexpr size_t kChunk = 4096;
constexpr auto kLimit = std::chrono::seconds(180);

}  // namespace

bool PartIngestSelected() {
    ServerWithPeer s;
    if (!s.Start())
        return false;
    ClickTreeItem(&s.page, s.node);
    RunFor(std::chrono::milliseconds(50));
    pages::CLogView* view = s.page.ReceivedView();
    const size_t rss0 = ResidentBytes();
    Heartbeat beat;
    beat.Start();
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async, SendTcpFlood, s.peer, kTotal, kChunk);
    // Ingest ends when the record counted every byte; the view may still be catching up, and
    // the flood's figure ends when it shows the whole log.
    Clock::time_point counted;
    const bool done = RunUntil(
        [&] {
            if (s.Counted() != kTotal)
                return false;
            if (counted == Clock::time_point())
                counted = Clock::now();
            // The view has caught up when it painted the newest chunk.
            return view->ShownEnd() == s.LogEnd();
        },
        kLimit);
    const auto end = Clock::now();
    beat.Stop();
    const size_t sent = sender.get();
    Report("selected_MBps", done ? kTotal / Seconds(counted - start) / 1e6 : 0);
    Report("selected_view_MBps", done ? kTotal / Seconds(end - start) / 1e6 : 0);
    Report("selected_counted", static_cast<double>(s.Counted()));
    Report("selected_sent", static_cast<double>(sent));
    Report("selected_p99_ms", beat.P99Ms());
    Report("selected_max_ms", beat.MaxMs());
    Report("selected_growth_MB", (ResidentBytes() - rss0) / 1e6);
    Report("selected_log_MB", s.LogBytes() / 1e6);
    return done && sent == kTotal;
}

bool PartIngestUnselected() {
    ServerWithPeer s;
    if (!s.Start())
        return false;
    ClickTreeItem(&s.page, s.page.Tree()->topLevelItem(0));  // the root: no connection shown
    const size_t tenth = kTotal / 10;
    std::vector<Clock::time_point> marks;  // when each tenth of the flood was counted
    Heartbeat beat;
    beat.Start();
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async, SendTcpFlood, s.peer, kTotal, kChunk);
    const bool done = RunUntil(
        [&] {
            const size_t counted = s.Counted();
            while (marks.size() < 10 && counted >= (marks.size() + 1) * tenth)
                marks.push_back(Clock::now());
            return counted == kTotal;
        },
        kLimit);
    beat.Stop();
    const size_t sent = sender.get();
    if (!done || marks.size() < 10)
        return false;
    const double chunksPerTenth = static_cast<double>(tenth) / kChunk;
    Report("unselected_p99_ms", beat.P99Ms());
    Report("unselected_MBps", kTotal / Seconds(marks[9] - start) / 1e6);
    Report("unselected_early_us", Seconds(marks[1] - marks[0]) * 1e6 / chunksPerTenth);
    Report("unselected_late_us", Seconds(marks[9] - marks[8]) * 1e6 / chunksPerTenth);
    return sent == kTotal;
}

bool PartIngestPlain() {
    int port = 0;
    const int listenFd = quillet::test::TcpListen(&port);
    const int peer = listenFd < 0 ? -1 : quillet::test::TcpConnect(port);
    const int conn = peer < 0 ? -1 : quillet::test::TcpAccept(listenFd);
    if (conn < 0)
        return false;
    Heartbeat beat;
    beat.Start();
    std::atomic<size_t> got{0};
    const size_t tenth = kTotal / 10;
    std::vector<Clock::time_point> marks;
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async, SendTcpFlood, peer, kTotal, kChunk);
    std::thread reader([&] {
        char buf[10240];
        size_t total = 0;
        for (;;) {
            const ssize_t n = recv(conn, buf, sizeof buf - 1, 0);
            if (n <= 0)
                break;
            total += static_cast<size_t>(n);
            while (marks.size() < 10 && total >= (marks.size() + 1) * tenth)
                marks.push_back(Clock::now());
            got = total;
        }
    });
    const bool done = RunUntil([&] { return got == kTotal; }, kLimit);
    const auto end = Clock::now();
    beat.Stop();
    sender.get();
    close(peer);
    reader.join();
    close(conn);
    close(listenFd);
    if (!done || marks.size() < 10)
        return false;
    const double chunksPerTenth = static_cast<double>(tenth) / kChunk;
    Report("plain_MBps", kTotal / Seconds(end - start) / 1e6);
    Report("plain_p99_ms", beat.P99Ms());
    Report("plain_max_ms", beat.MaxMs());
    Report("plain_us", Seconds(marks[9] - marks[0]) * 1e6 / (9 * chunksPerTenth));
    return true;
}

}  // namespace quillet::bench
