// One long line from the send box of the TCP server page to a reading peer: 100 KB, 1 MB and
// 10 MB, each timed from the press of Send until the peer has every byte, with the window's
// longest stall and heartbeat p99 from the press until the page has logged it (the box emptied)
// and shown it. A plain blocking send loop of the same bytes to a reading peer runs before each
// of the page's rounds in the same process; rates are the median of the rounds.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPlainTextEdit>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "bench/server_with_peer.h"
#include "pages/tree/tree_node.h"
#include "pages/send/send_box.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr size_t kLineSizes[] = {100'000, 1'000'000, 10'000'000};
constexpr auto kLimit = std::chrono::seconds(120);
constexpr int kRounds = 3;

std::string SizeName(size_t bytes) {
    return bytes >= 1'000'000 ? std::to_string(bytes / 1'000'000) + "MB"
                              : std::to_string(bytes / 1000) + "KB";
}

// Reads from `fd` until `stop`, counting bytes.
void Drain(int fd, std::atomic<size_t>* bytes, const std::atomic<bool>* stop) {
    std::string buf(1 << 20, '\0');
    while (!*stop) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        const ssize_t n = recv(fd, buf.data(), buf.size(), 0);
        if (n <= 0)
            break;
        *bytes += static_cast<size_t>(n);
    }
}

// A reading peer of its own and a plain blocking send loop to it.
class PlainSender {
public:
    PlainSender() {
        int port = 0;
        m_listener = quillet::test::TcpListen(&port);
        m_peer = quillet::test::TcpConnect(port);
        m_fd = quillet::test::TcpAccept(m_listener);
        m_reader = std::thread(Drain, m_peer, &m_got, &m_stop);
    }
    ~PlainSender() {
        m_stop = true;
        m_reader.join();
        for (int x : {m_peer, m_fd, m_listener})
            close(x);
    }
    bool Ok() const { return m_fd >= 0 && m_peer >= 0; }
    // MB/s from the first call until the peer has it all; 0 when it never arrived.
    double Send(const std::string& line) {
        const size_t want = m_got + line.size();
        const auto start = Clock::now();
        for (size_t off = 0; off < line.size();) {
            const ssize_t n = send(m_fd, line.data() + off, line.size() - off, MSG_NOSIGNAL);
            if (n <= 0)
                return 0;
            off += static_cast<size_t>(n);
        }
        if (!PollUntil([&] { return m_got >= want; }, kLimit))
            return 0;
        return line.size() / Seconds(Clock::now() - start) / 1e6;
    }

private:
    int m_listener = -1, m_peer = -1, m_fd = -1;
    std::atomic<size_t> m_got{0};
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
};

}  // namespace

bool PartSendBoxPage() {
    ServerWithPeer server;
    if (!server.Start(std::chrono::seconds(20)))
        return false;
    pages::CTcpServerDlg& page = server.page;
    const int peer = server.peer;
    ClickTreeItem(&page, server.node);
    std::atomic<size_t> got{0};
    std::atomic<bool> stop{false};
    std::thread reader(Drain, peer, &got, &stop);
    PlainSender plain;
    bool ok = plain.Ok();
    for (const size_t size : kLineSizes) {
        const std::string bytes(size, 's');
        std::vector<double> rates, plainRates, p99s;
        double stall = 0;
        for (int round = 0; round < kRounds && ok; ++round) {
            plainRates.push_back(plain.Send(bytes));
            // As a paste puts it there: a long line in soft pieces.
            static_cast<pages::CSendBox*>(page.SendBox())
                ->SetText(QString(static_cast<qsizetype>(size), QLatin1Char('s')));
            RunFor(std::chrono::milliseconds(100));
            const size_t want = got + size;
            Heartbeat beat;
            beat.Start();
            const auto start = Clock::now();
            page.Sending()->SendFromBox();
            const bool arrived = RunUntil([&] { return got >= want; }, kLimit);
            const double seconds = Seconds(Clock::now() - start);
            // The page logs the line once the writer has sent it all, and empties the box.
            const bool done =
                arrived && RunUntil([&] { return page.SendBox()->document()->isEmpty(); }, kLimit);
            RunFor(std::chrono::milliseconds(200));  // the views' refresh after it
            beat.Stop();
            rates.push_back(done ? size / seconds / 1e6 : 0);
            stall = std::max(stall, beat.MaxMs());
            p99s.push_back(beat.P99Ms());
            ok = ok && done;
        }
        const std::string name = SizeName(size);
        Report("sendbox_" + name + "_MBps", Median(rates));
        Report("sendbox_" + name + "_plain_MBps", Median(plainRates));
        Report("sendbox_" + name + "_stall_ms", stall);
        Report("sendbox_" + name + "_heartbeat_p99_ms",
               *std::max_element(p99s.begin(), p99s.end()));
    }
    stop = true;
    reader.join();
    return ok;
}

}  // namespace quillet::bench
