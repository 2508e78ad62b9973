// Datagram storms into the UDP server page, beside a plain recvfrom loop: the share logged at
// 50 000 per second and the highest rate without loss.
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <QAccessible>

#include <algorithm>
#include <map>
#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/udp_engine.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "pages/udp_server_dlg.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/screen_reader.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr int kSenders = 10;
constexpr int kSize = 100;
constexpr double kPacedRate = 50000;
constexpr auto kQuiet = std::chrono::milliseconds(300);
constexpr auto kLimit = std::chrono::seconds(30);
// Many peers: listing stops counting at this bound, or 5 s after the last new peer.
constexpr auto kPeersLimit = std::chrono::seconds(60);
// A burst of new senders, each sending a few datagrams at once.
constexpr int kBurstPeers = 5000;
constexpr int kBurstEach = 3;

// Counting stops when every datagram arrived or nothing arrived for kQuiet after the senders
// ended. `received` is polled; `wait` keeps the caller's thread doing its job meanwhile.
double LoggedPct(int port, int perSender, double rate, const std::function<size_t()>& received,
                 const std::function<bool(const std::function<bool()>&)>& wait, double* reached) {
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async,
                             [=] { return SendUdpStorm(port, kSenders, perSender, kSize, rate); });
    size_t sent = 0, seen = 0;
    auto lastChange = Clock::now();
    Clock::time_point sentAt;
    wait([&] {
        if (sent == 0 && sender.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            sent = sender.get();
            sentAt = Clock::now();
        }
        const size_t now = received();
        if (now != seen) {
            seen = now;
            lastChange = Clock::now();
        }
        return sent != 0 && (now >= sent || Clock::now() - lastChange > kQuiet);
    });
    if (sent == 0) {
        sent = sender.get();
        sentAt = Clock::now();
    }
    if (reached)
        *reached = sent / Seconds(sentAt - start);
    return sent ? 100.0 * received() / sent : 0;
}

// One storm into a fresh UDP server page made through its prompt.
double PageRound(int perSender, double rate, double* reached) {
    const int port = quillet::test::FreeUdpPort();
    auto page = ListeningPage<pages::CUdpServerDlg>(port);
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    auto logged = [&] { return LoggedBytes(root) / kSize; };
    auto wait = [](const std::function<bool()>& cond) { return RunUntil(cond, kLimit); };
    return LoggedPct(port, perSender, rate, logged, wait, reached);
}

// The same storm into a plain recvfrom loop on a socket bound like the page's.
double PlainRound(int perSender, double rate, double* reached) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in any = quillet::test::Loopback(0, "0.0.0.0");
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        if (fd >= 0)
            close(fd);
        return 0;
    }
    timeval tv{0, 50000};  // lets the loop see the stop flag
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    const int depth = UdpEngine::kServerReceiveBuffer;  // as the engine's server sockets
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &depth, sizeof depth);
    std::atomic<size_t> count{0};
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        char buf[10240];
        while (!stop) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            if (recvfrom(fd, buf, sizeof buf - 1, 0, reinterpret_cast<sockaddr*>(&from), &len) > 0)
                ++count;
        }
    });
    auto wait = [](const std::function<bool()>& cond) { return PollUntil(cond, kLimit); };
    const double pct = LoggedPct(
        quillet::test::LocalPort(fd), perSender, rate, [&] { return count.load(); }, wait, reached);
    stop = true;
    reader.join();
    close(fd);
    return pct;
}

// The highest rate at which at least 99.9 % was logged, by bisection below the senders'
// ceiling. A second of sending at least, so that the socket's queue cannot hide a slow reader;
// two tries per rate, so that one scheduling hiccup does not decide.
LosslessFigure LosslessRate(double (*round)(int, double, double*), double ceiling) {
    return BisectLossless(ceiling, [round](double rate, double* reached) {
        const int perSender = std::max(2000, static_cast<int>(rate / kSenders));
        for (int attempt = 0; attempt < 2; ++attempt)
            if (round(perSender, rate, reached) >= 99.9)
                return true;
        return false;
    });
}

// The rate the senders reach unpaced into the plain loop: the most any receiver can be shown.
double SenderCeiling() {
    double reached = 0;
    PlainRound(20000, 0, &reached);
    return reached;
}

void ReportLossless(const std::string& prefix, double (*round)(int, double, double*)) {
    const double ceiling = SenderCeiling();
    const LosslessFigure figure = LosslessRate(round, ceiling);
    Report(prefix + "_lossless_dps", figure.rate);
    Report(prefix + "_lossless_at_ceiling", figure.atCeiling ? 1 : 0);
    Report(prefix + "_sender_ceiling_dps", ceiling);
}

// `perPeer` datagrams from each of `count` senders, each on an address of its own in 127.1.0.0
// and up (the same port: distinct addresses give distinct peers), as fast as the sockets take
// them. Returns how many datagrams were sent; `*lastSent` is stamped after the last.
int SendFromManyPeers(int port, int count, Clock::time_point* lastSent, int perPeer = 1) {
    const sockaddr_in to = quillet::test::Loopback(port);
    constexpr uint16_t kSourcePort = 47000;
    int sent = 0;
    for (int i = 0; i < count; ++i) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_port = htons(kSourcePort);
        from.sin_addr.s_addr = htonl((127u << 24) + (1u << 16) + static_cast<uint32_t>(i));
        const char byte = 'p';
        if (bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) == 0) {
            for (int k = 0; k < perPeer; ++k)
                sent +=
                    sendto(fd, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 1;
        }
        close(fd);
    }
    *lastSent = Clock::now();
    return sent;
}

// Reads every notice as a screen reader's bridge does: the object it names, with its role,
// name and states; news of changed rows also reads the tree's row count and its last row.
void ReadLikeAScreenReader(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    if (!iface)
        return;
    static volatile size_t read = 0;
    read = read + static_cast<size_t>(iface->role()) + iface->text(QAccessible::Name).size() +
           iface->state().focused;
    if (event->type() == QAccessible::TableModelChanged) {
        const int rows = iface->childCount();
        if (QAccessibleInterface* last = rows > 0 ? iface->child(rows - 1) : nullptr)
            read = read + last->text(QAccessible::Name).size() + last->state().selected;
    }
}

bool PeersPage(int count, const std::string& tag = "page_") {
    const int port = quillet::test::FreeUdpPort();
    auto page = ListeningPage<pages::CUdpServerDlg>(port);
    RunFor(std::chrono::milliseconds(100));
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    const size_t rss0 = ResidentBytes();
    Clock::time_point lastSent;
    const auto firstSent = Clock::now();
    auto sender =
        std::async(std::launch::async, [&] { return SendFromManyPeers(port, count, &lastSent); });
    int sent = -1, seen = 0;
    auto lastChange = Clock::now();
    RunUntil(
        [&] {
            if (sent < 0 && sender.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
                sent = sender.get();
            if (root->childCount() != seen) {
                seen = root->childCount();
                lastChange = Clock::now();
            }
            return sent >= 0 &&
                   (seen >= sent || Clock::now() - lastChange > std::chrono::seconds(5));
        },
        kPeersLimit);
    const auto listedAt = Clock::now();
    if (sent < 0)
        sent = sender.get();
    const std::string prefix = tag + std::to_string(count) + "_";
    Report(prefix + "sent", sent);
    Report(prefix + "listed", root->childCount());
    Report(prefix + "listed_ms", Seconds(listedAt - lastSent) * 1e3);
    Report(prefix + "listed_from_first_ms", Seconds(listedAt - firstSent) * 1e3);
    Report(prefix + "kib_per_peer",
           root->childCount() ? (ResidentBytes() - rss0) / 1024.0 / root->childCount() : 0);
    return true;
}

// The plain way: a recvfrom loop on a socket like the page's that keeps each sender's bytes,
// counting senders and datagrams. Stops (and closes its socket) when destroyed.
class PlainPeerReader {
public:
    PlainPeerReader() : m_fd(PlainUdpServerSocket()) {
        if (m_fd < 0)
            return;
        timeval tv{0, 50000};  // lets the loop see the stop flag
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        m_thread = std::thread([this] { Run(); });
    }
    ~PlainPeerReader() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            close(m_fd);
    }
    bool Ok() const { return m_fd >= 0; }
    int Port() const { return quillet::test::LocalPort(m_fd); }
    long Senders() const { return m_senders; }
    long Datagrams() const { return m_datagrams; }
    // Waits until `target()` reaches `goal` or stops changing for `quiet`.
    void WaitFor(const std::function<long()>& target, long goal, std::chrono::seconds quiet) {
        long last = -1;
        auto lastChange = Clock::now();
        PollUntil(
            [&] {
                const long now = target();
                if (now != last) {
                    last = now;
                    lastChange = Clock::now();
                }
                return now >= goal || Clock::now() - lastChange > quiet;
            },
            kPeersLimit);
    }

private:
    void Run() {
        char buf[10240];
        while (!m_stop) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n =
                recvfrom(m_fd, buf, sizeof buf - 1, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n <= 0)
                continue;
            const uint64_t key = (uint64_t{from.sin_addr.s_addr} << 16) | from.sin_port;
            auto [it, added] = m_peers.try_emplace(key);
            it->second.append(buf, static_cast<size_t>(n));
            m_senders += added;
            ++m_datagrams;
        }
    }

    const int m_fd;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_senders{0};
    std::atomic<long> m_datagrams{0};
    std::map<uint64_t, std::string> m_peers;  // the reader thread's own
};

bool PeersPlain(int count) {
    const size_t rss0 = ResidentBytes();
    PlainPeerReader reader;
    if (!reader.Ok())
        return false;
    Clock::time_point lastSent;
    const auto firstSent = Clock::now();
    const int sent = SendFromManyPeers(reader.Port(), count, &lastSent);
    reader.WaitFor([&] { return reader.Senders(); }, sent, std::chrono::seconds(5));
    const auto listedAt = Clock::now();
    const long seen = reader.Senders();
    const std::string prefix = "plain_" + std::to_string(count) + "_";
    Report(prefix + "sent", sent);
    Report(prefix + "listed", static_cast<double>(seen));
    Report(prefix + "listed_ms", Seconds(listedAt - lastSent) * 1e3);
    Report(prefix + "listed_from_first_ms", Seconds(listedAt - firstSent) * 1e3);
    Report(prefix + "kib_per_peer", seen ? (ResidentBytes() - rss0) / 1024.0 / seen : 0);
    return true;
}

}  // namespace

bool PartUdpPeersPage() {
    bool ok = true;
    for (int count : {1000, 10000, 100000})
        ok = PeersPage(count) && ok;
    return ok;
}

bool PartUdpPeersAccessible() {
    QAccessible::installUpdateHandler(ReadLikeAScreenReader);
    if (!test::SetScreenReaderActive(true)) {
        std::fprintf(stderr, "udp-peers-a11y: no accessibility on this platform\n");
        return false;
    }
    const bool ok = PeersPage(100000, "a11y_");
    test::SetScreenReaderActive(false);
    QAccessible::installUpdateHandler(nullptr);
    return ok;
}

bool PartUdpPeersPlain() {
    bool ok = true;
    for (int count : {1000, 10000, 100000})
        ok = PeersPlain(count) && ok;
    return ok;
}

bool PartUdpPage() {
    Report("page_paced_pct", PageRound(10000, kPacedRate, nullptr));
    ReportLossless("page", PageRound);
    return true;
}

bool PartUdpPlain() {
    Report("plain_paced_pct", PlainRound(10000, kPacedRate, nullptr));
    ReportLossless("plain", PlainRound);
    return true;
}

bool PartUdpBurstPage() {
    const int port = quillet::test::FreeUdpPort();
    auto page = ListeningPage<pages::CUdpServerDlg>(port);
    RunFor(std::chrono::milliseconds(100));
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    // Every datagram is one byte: the peers' byte counts are the datagrams logged.
    const auto logged = [&] { return static_cast<long>(LoggedBytes(root)); };
    Clock::time_point lastSent;
    auto sender = std::async(std::launch::async, [&] {
        return SendFromManyPeers(port, kBurstPeers, &lastSent, kBurstEach);
    });
    long seen = -1;
    auto lastChange = Clock::now();
    int sent = -1;
    RunUntil(
        [&] {
            if (sent < 0 && sender.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
                sent = sender.get();
            const long now = logged();
            if (now != seen) {
                seen = now;
                lastChange = Clock::now();
            }
            return sent >= 0 &&
                   (now >= sent || Clock::now() - lastChange > std::chrono::seconds(3));
        },
        kPeersLimit);
    if (sent < 0)
        sent = sender.get();
    Report("burst_page_sent", sent);
    Report("burst_page_logged", logged());
    Report("burst_page_peers", root->childCount());
    return true;
}

bool PartUdpBurstPlain() {
    PlainPeerReader reader;
    if (!reader.Ok())
        return false;
    Clock::time_point lastSent;
    const int sent = SendFromManyPeers(reader.Port(), kBurstPeers, &lastSent, kBurstEach);
    reader.WaitFor([&] { return reader.Datagrams(); }, sent, std::chrono::seconds(3));
    Report("burst_plain_sent", sent);
    Report("burst_plain_logged", static_cast<double>(reader.Datagrams()));
    return true;
}

}  // namespace quillet::bench
