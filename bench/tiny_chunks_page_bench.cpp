// Resident memory of the UDP server page at the default log limits under the two shapes of
// flood that cost most per byte and most in all: 1-byte datagrams at the sender's full rate for
// a span (QUILLET_BENCH_TINY_SECONDS, 300 by default), and 2 GiB of 64 KiB datagrams. Each
// reports the idle resident set before the flood and the peak during it.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <string>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "pages/tree/tree_node.h"
#include "engine/chunk_log.h"
#include "pages/udp_server_dlg.h"
#include "tests/common/loopback_peer.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr size_t kLargeDatagram = 65507;
constexpr size_t kLargeFlood = size_t{2} << 30;
// A flood that the page cannot take ends when nothing more was logged for this long.
constexpr auto kQuiet = std::chrono::seconds(2);

std::chrono::seconds TinySpan() {
    const char* text = std::getenv("QUILLET_BENCH_TINY_SECONDS");
    const long seconds = text ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 300);
}

// Sends datagrams of `size` bytes to 127.0.0.1:port as fast as the socket takes them, until
// `total` bytes went or `span` passed; returns the datagrams sent.
size_t Flood(int port, size_t size, size_t total, std::chrono::seconds span) {
    const int fd = quillet::test::UdpBind(0);
    if (fd < 0)
        return 0;
    const std::string datagram(size, 'f');
    sockaddr_in to = quillet::test::Loopback(port);
    const auto end = Clock::now() + span;
    size_t sent = 0;
    while (sent * size < total && (sent % 1024 != 0 || Clock::now() < end)) {
        if (sendto(fd, datagram.data(), size, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0)
            ++sent;
    }
    close(fd);
    return sent;
}

// One flood into a fresh UDP server page at the default limits; reports under `key`_*.
bool FloodPage(size_t size, size_t total, std::chrono::seconds span, const std::string& key) {
    const int port = quillet::test::FreeUdpPort();
    auto page = ListeningPage<pages::CUdpServerDlg>(port);
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    SetLogLimits(kDefaultLogLimitPerLog, kDefaultLogLimitTotal);
    RunFor(std::chrono::milliseconds(200));
    const size_t idle = ResidentBytes();
    size_t peak = idle;
    Heartbeat beat;
    beat.Start();
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async, Flood, port, size, total, span);
    size_t logged = 0;
    auto lastChange = Clock::now();
    // Bounded: the sender stops by itself; then counting stops once nothing more comes.
    RunUntil(
        [&] {
            peak = std::max(peak, ResidentBytes());
            const size_t now = LoggedBytes(root);
            if (now != logged) {
                logged = now;
                lastChange = Clock::now();
            }
            return sender.wait_for(std::chrono::seconds(0)) == std::future_status::ready &&
                   Clock::now() - lastChange > kQuiet;
        },
        span + std::chrono::seconds(60));
    beat.Stop();
    const size_t sent = sender.get();
    Report(key + "_idle_MB", idle / 1e6);
    Report(key + "_peak_MB", peak / 1e6);
    Report(key + "_over_idle_MB", (peak - idle) / 1e6);
    Report(key + "_sent", static_cast<double>(sent));
    Report(key + "_counted_MB", logged / 1e6);
    Report(key + "_log_cost_MB", TotalLogBytes() / 1e6);
    Report(key + "_seconds", Seconds(Clock::now() - start));
    Report(key + "_p99_ms", beat.P99Ms());
    return sent > 0;
}

}  // namespace

bool PartTinyDatagrams() {
    return FloodPage(1, SIZE_MAX, TinySpan(), "tiny");
}

bool PartLargeDatagrams() {
    return FloodPage(kLargeDatagram, kLargeFlood, std::chrono::seconds(300), "large");
}

}  // namespace quillet::bench
