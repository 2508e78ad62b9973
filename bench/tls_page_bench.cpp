// TLS on the TCP server page: a 64 MiB TLS flood into the selected connection of a TLS server
// page beside `openssl s_server` receiving the same flood from the same client, and 1,000 TLS
// clients' handshakes with the page beside a plain OpenSSL accept loop.
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFileInfo>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "bench/server_with_peer.h"
#include "engine/crit_sec.h"
#include "pages/common/app_settings.h"
#include "pages/tls/tls_choice.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/tls_peers.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr size_t kFlood = size_t{64} << 20;
constexpr size_t kRecord = 16 * 1024;
constexpr int kHandshakes = 1000;
constexpr int kClientThreads = 4;
constexpr auto kLimit = std::chrono::seconds(60);
const char kEndMark[] = "<<end-of-flood>>";

SSL_CTX* ClientContext() {
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);  // the page's own self-signed pair
    return ctx;
}

// One TLS client that sends `bytes` then the end mark in records of 16 KiB; true when all went.
bool FloodOverTls(int port, size_t bytes) {
    SSL_CTX* ctx = ClientContext();
    const int fd = quillet::test::TcpConnect(port);
    SSL* ssl = SSL_new(ctx);
    SSL_set_fd(ssl, fd);
    bool ok = fd >= 0 && SSL_connect(ssl) == 1;
    const std::string record(kRecord, 'x');
    for (size_t sent = 0; ok && sent < bytes; sent += kRecord)
        ok = SSL_write(ssl, record.data(), static_cast<int>(kRecord)) > 0;
    ok = ok && SSL_write(ssl, kEndMark, sizeof kEndMark - 1) > 0;
    SSL_shutdown(ssl);
    SSL_free(ssl);
    SSL_CTX_free(ctx);
    if (fd >= 0) {
        // Unread bytes (a session ticket) at close() would reset the connection and cut what
        // the receiver has not read yet: the client waits for the receiver's end (5 s at most).
        shutdown(fd, SHUT_WR);
        char buf[4096];
        while (recv(fd, buf, sizeof buf, 0) > 0) {
        }
        close(fd);
    }
    return ok;
}

// kHandshakes handshakes from kClientThreads threads, each connection closed after its
// handshake; returns how many succeeded.
int Handshakes(int port) {
    SSL_CTX* ctx = ClientContext();
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kClientThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kHandshakes / kClientThreads; ++i) {
                const int fd = quillet::test::TcpConnect(port);
                SSL* ssl = SSL_new(ctx);
                SSL_set_fd(ssl, fd);
                if (fd >= 0 && SSL_connect(ssl) == 1)
                    ++done;
                SSL_free(ssl);
                if (fd >= 0)
                    close(fd);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    SSL_CTX_free(ctx);
    return done;
}

// A TLS server page with the self-signed pair, listening on `*port`.
struct TlsServerPage {
    quillet::test::FreshSettings settings;
    pages::CTcpServerDlg page;
    int port = quillet::test::FreeTcpPort();

    bool Start() {
        pages::TlsChoice choice;
        choice.enabled = true;
        choice.Store("tcpServer");
        page.show();
        AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
        PressButton(&page, pages::CTcpServerDlg::kCreate);
        return page.Engine().LiveWorkers() > 0;
    }
    pages::TreeNode* Root() { return page.Tree()->topLevelItem(0); }
    QString CertDir() { return QFileInfo(pages::settings::FilePath()).absolutePath(); }
};

}  // namespace

bool PartTlsFloodPage() {
    TlsServerPage s;
    if (!s.Start())
        return false;
    const auto start = Clock::now();
    auto client = std::async(std::launch::async, FloodOverTls, s.port, kFlood);
    if (!RunUntil([&] { return s.Root()->childCount() == 1; }, kLimit))
        return false;
    pages::TreeNode* node = s.Root()->child(0);
    ClickTreeItem(&s.page, node);
    auto* rec = pages::CTreeCtrlEx::ItemData<ConnectInfo>(node);
    const size_t total = kFlood + sizeof kEndMark - 1;
    Heartbeat beat;
    beat.Start();
    const bool done = RunUntil(
        [&] {
            CCritSecLock lock(g_csConnect);
            return rec->nRecvBytesAll == total;
        },
        kLimit);
    const auto end = Clock::now();
    beat.Stop();
    const bool sent = client.get();
    Report("tls_flood_page_MBps", done ? kFlood / Seconds(end - start) / 1e6 : 0);
    Report("tls_flood_page_p99_ms", beat.P99Ms());
    return done && sent;
}

bool PartTlsFloodSServer() {
    quillet::test::TestPki pki;
    const int port = quillet::test::FreeTcpPort();
    quillet::test::ChildProcess server(
        quillet::test::SServerArgs(port, pki.serverCert, pki.serverKey, {"-naccept", "1"}));
    if (!server.WaitOutput("ACCEPT"))
        return false;
    server.KeepOnlyTail();
    const auto start = Clock::now();
    auto client = std::async(std::launch::async, FloodOverTls, port, kFlood);
    const auto deadline = start + kLimit;
    while (!server.WaitOutput(kEndMark, std::chrono::milliseconds(10)) && Clock::now() < deadline) {
    }
    const auto end = Clock::now();
    const bool sent = client.get();
    const bool done = server.Output().find(kEndMark) != std::string::npos;
    Report("tls_flood_sserver_MBps", done ? kFlood / Seconds(end - start) / 1e6 : 0);
    return done && sent;
}

bool PartTlsHandshakesPage() {
    TlsServerPage s;
    if (!s.Start())
        return false;
    Heartbeat beat;
    beat.Start();
    const auto start = Clock::now();
    auto clients = std::async(std::launch::async, Handshakes, s.port);
    // The window's events run meanwhile: every new node is added as the user would see it.
    RunUntil([&] { return clients.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
             kLimit);
    const auto end = Clock::now();
    beat.Stop();
    const int done = clients.get();
    Report("tls_handshakes_page_per_s", done / Seconds(end - start));
    Report("tls_handshakes_page_done", done);
    Report("tls_handshakes_page_p99_ms", beat.P99Ms());
    return done == kHandshakes;
}

bool PartTlsHandshakesPlain() {
    quillet::test::TestPki pki;
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate_file(ctx, pki.serverCert.c_str(), SSL_FILETYPE_PEM);
    SSL_CTX_use_PrivateKey_file(ctx, pki.serverKey.c_str(), SSL_FILETYPE_PEM);
    SSL_CTX_set_num_tickets(ctx, 0);
    int port = 0;
    const int listenFd = quillet::test::TcpListen(&port);
    std::atomic<bool> stop{false};
    // The plain loop: accept, handshake, close, one after another on one thread.
    std::thread server([&] {
        while (!stop) {
            const int fd = quillet::test::TcpAccept(listenFd);
            if (fd < 0)
                continue;
            SSL* ssl = SSL_new(ctx);
            SSL_set_fd(ssl, fd);
            SSL_accept(ssl);
            SSL_free(ssl);
            close(fd);
        }
    });
    const auto start = Clock::now();
    const int done = Handshakes(port);
    const auto end = Clock::now();
    stop = true;
    shutdown(listenFd, SHUT_RDWR);
    server.join();
    close(listenFd);
    SSL_CTX_free(ctx);
    Report("tls_handshakes_plain_per_s", done / Seconds(end - start));
    return done == kHandshakes;
}

}  // namespace quillet::bench
