// A thousand and ten thousand connections at once: accepted by the TCP server page (nodes shown,
// memory per idle connection, teardown), the peers in a process of their own; a thousand made
// from one TCP client prompt. Each beside the plain socket way.
#include <sys/socket.h>
#include <unistd.h>

#include "pages/tree/tree_ctrl_ex.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "bench/child_peers.h"
#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "engine/crit_sec.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr int kClients = 1000;  // the client prompt's figure
constexpr auto kLimit = std::chrono::seconds(60);

double Ms(Clock::duration d) {
    return Seconds(d) * 1e3;
}

std::string Prefixed(const char* side, int count, const char* what) {
    return std::string(side) + "_" + std::to_string(count) + "_" + what;
}

// Stamps the moment `cond` first holds, polled every 200 µs on a thread of its own, so that the
// window's thread is not what times it.
class Stamp {
public:
    explicit Stamp(std::function<bool()> cond)
        : m_thread([this, cond = std::move(cond)] {
              if (PollUntil([&] { return m_stop || cond(); }, kLimit) && !m_stop)
                  m_at = Clock::now();
          }) {}
    ~Stamp() { Stop(); }
    // The moment, or nothing when it did not hold within kLimit.
    std::optional<Clock::time_point> At() {
        if (m_thread.joinable())
            m_thread.join();
        return m_at;
    }

private:
    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::atomic<bool> m_stop{false};
    std::optional<Clock::time_point> m_at;
    std::thread m_thread;
};

void ReportTimes(const char* side, int count, const char* what, Clock::time_point at,
                 const ChildPeers& peers) {
    const std::string key = std::string(what) + "_";
    Report(Prefixed(side, count, (key + "from_first_ms").c_str()), Ms(at - peers.FirstConnect()));
    Report(Prefixed(side, count, (key + "after_last_ms").c_str()), Ms(at - peers.LastConnect()));
}

bool ClientsPage(int count) {
    RaiseFileLimit();
    const int port = quillet::test::FreeTcpPort();
    auto page = ListeningPage<pages::CTcpServerDlg>(port);
    RunFor(std::chrono::milliseconds(100));
    const size_t rss0 = ResidentBytes();
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    TcpEngine& engine = page->Engine();
    const size_t madeBefore = engine.ThreadsMade();
    // Accepted: listed, and its receive thread running (beside the accept thread).
    Stamp accepted([&] { return engine.LiveWorkers() == static_cast<size_t>(count) + 1; });
    ChildPeers peers;
    if (!peers.Start(port, count))
        return false;
    const bool shown =
        RunUntil([&] { return peers.Done() && root->childCount() == count; }, kLimit);
    const auto shownAt = Clock::now();
    const auto acceptedAt = accepted.At();
    if (!shown || !acceptedAt || peers.Connected() != count) {
        std::fprintf(stderr, "clients-page %d: %d connected, %d shown, all accepted: %d\n", count,
                     peers.Connected(), root->childCount(), acceptedAt.has_value());
        return false;
    }
    ReportTimes("page", count, "accepted", *acceptedAt, peers);
    ReportTimes("page", count, "shown", shownAt, peers);
    Report(Prefixed("page", count, "shown_ms"), Ms(shownAt - peers.LastConnect()));
    Report(Prefixed("page", count, "threads_made"),
           static_cast<double>(engine.ThreadsMade() - madeBefore));
    RunFor(std::chrono::milliseconds(300));  // idle: every receive thread waits in recv
    Report(Prefixed("page", count, "kib_per_conn"), (ResidentBytes() - rss0) / 1024.0 / count);
    Report(Prefixed("page", count, "refused"), page->Engine().RefusedConnections());
    const auto t0 = Clock::now();
    page.reset();  // closes every connection and joins every receive thread
    Report(Prefixed("page", count, "teardown_ms"), Ms(Clock::now() - t0));
    return true;
}

bool ClientsPlain(int count) {
    RaiseFileLimit();
    int port = 0;
    const int listenFd = quillet::test::TcpListen(&port);
    if (listenFd < 0)
        return false;
    // The same backlog as the engine's listening sockets.
    listen(listenFd, 0x7fffffff);
    const size_t rss0 = ResidentBytes();
    // The plain design: one thread per accepted connection, blocked in recv.
    std::vector<int> conns;
    std::vector<std::thread> readers;
    std::atomic<int> accepted{0};
    Clock::time_point acceptedAt{};
    std::thread acceptor([&] {
        for (int i = 0; i < count; ++i) {
            const int fd = accept(listenFd, nullptr, nullptr);
            if (fd < 0)
                break;
            conns.push_back(fd);
            readers.emplace_back([fd] {
                char buf[10240];
                for (;;) {  // the accepted socket inherits the listener's 5 s timeout
                    const ssize_t n = recv(fd, buf, sizeof buf - 1, 0);
                    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                        break;
                }
            });
            ++accepted;
        }
        acceptedAt = Clock::now();
    });
    ChildPeers peers;
    bool all = peers.Start(port, count);
    all = all && PollUntil([&] { return peers.Done() && accepted == count; }, kLimit);
    acceptor.join();
    if (!all || peers.Connected() != count)
        return false;
    ReportTimes("plain", count, "accepted", acceptedAt, peers);
    Report(Prefixed("plain", count, "shown_ms"), Ms(acceptedAt - peers.LastConnect()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Report(Prefixed("plain", count, "kib_per_conn"), (ResidentBytes() - rss0) / 1024.0 / count);
    const auto t0 = Clock::now();
    for (int fd : conns)
        shutdown(fd, SHUT_RDWR);
    for (auto& t : readers)
        t.join();
    for (int fd : conns)
        close(fd);
    Report(Prefixed("plain", count, "teardown_ms"), Ms(Clock::now() - t0));
    close(listenFd);
    return true;
}

}  // namespace

bool PartClientsPage() {
    return ClientsPage(1000);
}
bool PartClientsPlain() {
    return ClientsPlain(1000);
}
bool PartClientsPage10k() {
    return ClientsPage(10000);
}
bool PartClientsPlain10k() {
    return ClientsPlain(10000);
}

bool PartClientPrompt() {
    RaiseFileLimit();
    int port = 0;
    const int listenFd = quillet::test::TcpListen(&port);
    if (listenFd < 0)
        return false;
    // A plain listener that accepts and holds every connection.
    std::vector<int> conns;
    std::atomic<bool> stop{false};
    std::thread acceptor([&] {
        while (!stop && conns.size() < 2 * kClients) {
            const int fd = accept(listenFd, nullptr, nullptr);  // 5 s timeout from TcpListen
            if (fd >= 0)
                conns.push_back(fd);
        }
    });
    bool ok = false;
    {
        pages::CTcpClientDlg page;
        page.show();
        AnswerNextPrompt({{pages::CDlgSetIp::kBoxAddress, "127.0.0.1"},
                          {pages::CDlgSetIp::kBoxPort, QString::number(port)},
                          {pages::CDlgSetIp::kBoxCount, QString::number(kClients)}});
        const auto t0 = Clock::now();
        PressButton(&page, pages::CTcpClientDlg::kCreate);
        pages::TreeNode* root = page.Tree()->topLevelItem(0);
        auto allConnected = [&] {
            if (root->childCount() != kClients || page.PendingConnects() != 0)
                return false;
            CCritSecLock lock(g_csConnect);
            for (int i = 0; i < kClients; ++i) {
                auto* rec = pages::CTreeCtrlEx::ItemData<ConnectInfo>(root->child(i));
                if (!rec || rec->sock == -1)
                    return false;
            }
            return true;
        };
        ok = RunUntil(allConnected, kLimit);
        Report("prompt_ms", Ms(Clock::now() - t0));
        // The plain way to the same listener: a loop of blocking connects.
        std::vector<int> fds;
        const auto t1 = Clock::now();
        for (int i = 0; i < kClients; ++i)
            fds.push_back(quillet::test::TcpConnect(port));
        Report("plain_connect_ms", Ms(Clock::now() - t1));
        for (int fd : fds) {
            ok = ok && fd >= 0;
            if (fd >= 0)
                close(fd);
        }
    }
    stop = true;
    shutdown(listenFd, SHUT_RDWR);
    acceptor.join();
    for (int fd : conns)
        close(fd);
    close(listenFd);
    return ok;
}

}  // namespace quillet::bench
