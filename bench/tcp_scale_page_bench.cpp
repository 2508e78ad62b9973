// A thousand connections at once: accepted by the TCP server page (nodes shown, memory per idle
// connection, teardown) and made from one TCP client prompt; each beside the plain socket way.
#include <sys/socket.h>
#include <unistd.h>

#include <QTreeWidgetItem>

#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "engine/crit_sec.h"
#include "pages/dlg_set_ip.h"
#include "pages/prompt_dlg.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr int kClients = 1000;
constexpr auto kLimit = std::chrono::seconds(30);

// Connects kClients peers from a thread of its own; `lastConnect` is stamped after the last.
struct Peers {
    std::vector<int> fds;
    std::atomic<bool> done{false};
    Clock::time_point lastConnect;
    std::thread thread;

    void Start(int port) {
        thread = std::thread([this, port] {
            for (int i = 0; i < kClients; ++i)
                fds.push_back(quillet::test::TcpConnect(port));
            lastConnect = Clock::now();
            done = true;
        });
    }
    bool AllConnected() const {
        for (int fd : fds)
            if (fd < 0)
                return false;
        return static_cast<int>(fds.size()) == kClients;
    }
    ~Peers() {
        if (thread.joinable())
            thread.join();
        for (int fd : fds)
            if (fd >= 0)
                close(fd);
    }
};

double Ms(Clock::duration d) {
    return Seconds(d) * 1e3;
}

}  // namespace

bool PartClientsPage() {
    RaiseFileLimit();
    auto page = std::make_unique<pages::CTcpServerDlg>();
    page->show();
    const int port = quillet::test::FreeTcpPort();
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
    PressButton(page.get(), pages::CTcpServerDlg::kCreate);
    RunFor(std::chrono::milliseconds(100));
    const size_t rss0 = ResidentBytes();
    QTreeWidgetItem* root = page->Tree()->topLevelItem(0);
    Peers peers;
    peers.Start(port);
    const bool shown =
        RunUntil([&] { return peers.done && root->childCount() == kClients; }, kLimit);
    const auto shownAt = Clock::now();
    if (!shown || !peers.AllConnected())
        return false;
    Report("page_shown_ms", Ms(shownAt - peers.lastConnect));
    RunFor(std::chrono::milliseconds(300));  // idle: every receive thread waits in recv
    Report("page_kib_per_conn", (ResidentBytes() - rss0) / 1024.0 / kClients);
    const auto t0 = Clock::now();
    page.reset();  // closes every connection and joins every receive thread
    Report("page_teardown_ms", Ms(Clock::now() - t0));
    return true;
}

bool PartClientsPlain() {
    RaiseFileLimit();
    int port = 0;
    const int listenFd = quillet::test::TcpListen(&port);
    if (listenFd < 0)
        return false;
    const size_t rss0 = ResidentBytes();
    // The plain design: one thread per accepted connection, blocked in recv.
    std::vector<int> conns;
    std::vector<std::thread> readers;
    std::atomic<int> accepted{0};
    std::thread acceptor([&] {
        for (int i = 0; i < kClients; ++i) {
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
    });
    Peers peers;
    peers.Start(port);
    const bool all = PollUntil([&] { return peers.done && accepted == kClients; }, kLimit);
    const auto acceptedAt = Clock::now();
    acceptor.join();
    if (!all || !peers.AllConnected())
        return false;
    Report("plain_shown_ms", Ms(acceptedAt - peers.lastConnect));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Report("plain_kib_per_conn", (ResidentBytes() - rss0) / 1024.0 / kClients);
    const auto t0 = Clock::now();
    for (int fd : conns)
        shutdown(fd, SHUT_RDWR);
    for (auto& t : readers)
        t.join();
    for (int fd : conns)
        close(fd);
    Report("plain_teardown_ms", Ms(Clock::now() - t0));
    close(listenFd);
    return true;
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
        QTreeWidgetItem* root = page.Tree()->topLevelItem(0);
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
