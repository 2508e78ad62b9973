// Datagram storms into the UDP server page, beside a plain recvfrom loop: the share logged at
// 50 000 per second and the highest rate without loss.
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QTreeWidgetItem>

#include <algorithm>
#include <atomic>
#include <future>
#include <string>
#include <thread>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "engine/crit_sec.h"
#include "pages/prompt_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr int kSenders = 10;
constexpr int kSize = 100;
constexpr double kPacedRate = 50000;
constexpr auto kQuiet = std::chrono::milliseconds(300);
constexpr auto kLimit = std::chrono::seconds(30);

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
    pages::CUdpServerDlg page;
    page.show();
    const int port = quillet::test::FreeUdpPort();
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
    PressButton(&page, pages::CUdpServerDlg::kCreate);
    QTreeWidgetItem* root = page.Tree()->topLevelItem(0);
    auto logged = [&] {
        size_t bytes = 0;
        CCritSecLock lock(g_csConnect);
        for (int i = 0; i < root->childCount(); ++i)
            if (auto* rec = pages::CTreeCtrlEx::ItemData<ConnectInfo>(root->child(i)))
                bytes += rec->nRecvBytesAll;
        return bytes / kSize;
    };
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
    const int depth = 4 << 20;  // the queue depth the engine asks for its server sockets
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

// The highest rate the senders reached, stepping up, at which at least 99.9 % was logged.
double LosslessRate(double (*round)(int, double, double*)) {
    static const double kSteps[] = {10000, 25000, 50000, 100000, 200000, 300000, 400000, 600000};
    double best = 0;
    for (double step : kSteps) {
        double reached = 0;
        // A second of sending at least, so that the socket's queue cannot hide a slow reader;
        // two tries per step, so that one scheduling hiccup does not end the climb.
        const int perSender = std::max(2000, static_cast<int>(step / kSenders));
        double pct = round(perSender, step, &reached);
        if (pct < 99.9)
            pct = round(perSender, step, &reached);
        if (pct < 99.9)
            break;
        best = reached;
    }
    return best;
}

}  // namespace

bool PartUdpPage() {
    Report("page_paced_pct", PageRound(10000, kPacedRate, nullptr));
    Report("page_lossless_dps", LosslessRate(PageRound));
    return true;
}

bool PartUdpPlain() {
    Report("plain_paced_pct", PlainRound(10000, kPacedRate, nullptr));
    Report("plain_lossless_dps", LosslessRate(PlainRound));
    return true;
}

}  // namespace quillet::bench
