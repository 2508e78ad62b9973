// Sending from the TCP server page: a repeat every millisecond, echo to a hundred clients, and a
// 1 GiB file, each beside a plain-socket loop doing the same in the same run.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPlainTextEdit>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include "pages/tree/tree_ctrl_ex.h"

#include <atomic>
#include <cstdio>
#include <future>
#include <thread>
#include <vector>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "pages/send/file_sender.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/send/repeat_sender.h"
#include "pages/send/send_prompts.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr auto kRepeatRun = std::chrono::seconds(3);
constexpr int kEchoClients = 100;
constexpr int kEchoMessages = 1000;
constexpr size_t kEchoMessage = 100;
constexpr size_t kFileBytes = size_t{1} << 30;
constexpr size_t kPlainChunk = 1 << 20;
constexpr auto kLimit = std::chrono::seconds(120);

// A server page listening on a free port.
struct Server {
    pages::CTcpServerDlg page;
    int port = 0;

    bool Start() {
        page.show();
        port = quillet::test::FreeTcpPort();
        AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
        PressButton(&page, pages::CTcpServerDlg::kCreate);
        return port > 0;
    }
    pages::TreeNode* Node(int i) { return page.Tree()->topLevelItem(0)->child(i); }
    bool WaitClients(int n) {
        pages::TreeNode* root = page.Tree()->topLevelItem(0);
        return RunUntil([&] { return root->childCount() >= n; }, std::chrono::seconds(20));
    }
};

// Reads from `fd` until `stop`, counting bytes.
void CountReads(int fd, std::atomic<size_t>* bytes, const std::atomic<bool>* stop) {
    char buf[65536];
    while (!*stop) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0)
            continue;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        *bytes += static_cast<size_t>(n);
    }
}

// Each client sends its messages and reads every echoed byte; returns the echoed bytes.
size_t RunEchoClients(int port) {
    std::vector<std::future<size_t>> clients;
    for (int c = 0; c < kEchoClients; ++c) {
        clients.push_back(std::async(std::launch::async, [port] {
            const int fd = quillet::test::TcpConnect(port);
            if (fd < 0)
                return size_t{0};
            const std::string message(kEchoMessage, 'e');
            size_t back = 0;
            char buf[16384];
            for (int i = 0; i < kEchoMessages; ++i) {
                if (!quillet::test::SendAll(fd, message))
                    break;
                // Take what has come back so far, so neither side's buffers fill.
                for (ssize_t n; (n = recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;)
                    back += static_cast<size_t>(n);
            }
            const size_t want = kEchoMessage * kEchoMessages;
            while (back < want) {
                const ssize_t n = recv(fd, buf, sizeof buf, 0);  // 5 s timeout
                if (n <= 0)
                    break;
                back += static_cast<size_t>(n);
            }
            close(fd);
            return back;
        }));
    }
    size_t total = 0;
    for (auto& c : clients)
        total += c.get();
    return total;
}

}  // namespace

bool PartRepeatPage() {
    Server s;
    if (!s.Start())
        return false;
    const int peer = quillet::test::TcpConnect(s.port);
    if (peer < 0 || !s.WaitClients(1))
        return false;
    ClickTreeItem(&s.page, s.Node(0));
    s.page.SendBox()->setPlainText(QStringLiteral("r"));
    std::atomic<size_t> got{0};
    std::atomic<bool> stop{false};
    std::thread reader(CountReads, peer, &got, &stop);
    Heartbeat beat;
    beat.Start();
    AnswerNextPrompt({{pages::CRepeatDlg::kInterval, "1"}, {pages::CRepeatDlg::kTimes, "0"}});
    const auto start = Clock::now();
    s.page.Sending()->RepeatToSelected();
    RunFor(kRepeatRun);
    const double seconds = Seconds(Clock::now() - start);
    s.page.Sending()->StopRepeatOfSelected();
    beat.Stop();
    RunFor(std::chrono::milliseconds(100));
    stop = true;
    reader.join();
    close(peer);
    Report("repeat_pct", got / seconds / 1000 * 100);
    Report("repeat_p99_ms", beat.P99Ms());
    return got > 0;
}

bool PartRepeatPlain() {
    int port = 0;
    const int listener = quillet::test::TcpListen(&port);
    const int peer = quillet::test::TcpConnect(port);
    const int fd = quillet::test::TcpAccept(listener);
    if (fd < 0 || peer < 0)
        return false;
    std::atomic<size_t> got{0};
    std::atomic<bool> stop{false};
    std::thread reader(CountReads, peer, &got, &stop);
    Heartbeat beat;
    beat.Start();
    // A 1 ms timer on the user-interface thread that sends one byte per tick, as a bare loop.
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [fd] { send(fd, "r", 1, MSG_NOSIGNAL); });
    const auto start = Clock::now();
    timer.start(1);
    RunFor(kRepeatRun);
    timer.stop();
    const double seconds = Seconds(Clock::now() - start);
    beat.Stop();
    RunFor(std::chrono::milliseconds(100));
    stop = true;
    reader.join();
    for (int f : {peer, fd, listener})
        close(f);
    Report("repeat_pct", got / seconds / 1000 * 100);
    Report("repeat_p99_ms", beat.P99Ms());
    return true;
}

bool PartEchoPage() {
    Server s;
    if (!s.Start())
        return false;
    AnswerNextPrompt({{}, {{pages::CAutoReplyDlg::kEcho, true}}, true, {}});
    s.page.Sending()->ChooseAutoReply();
    const auto start = Clock::now();
    auto clients = std::async(std::launch::async, RunEchoClients, s.port);
    while (clients.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
           Clock::now() - start < kLimit)
        RunFor(std::chrono::milliseconds(5));
    const size_t echoed = clients.get();
    const double seconds = Seconds(Clock::now() - start);
    Report("echo_msgs_per_s", echoed / kEchoMessage / seconds);
    Report("echo_pct", echoed * 100.0 / (kEchoMessage * kEchoMessages * kEchoClients));
    AnswerNextPrompt({{}, {{pages::CAutoReplyDlg::kEcho, false}}, true, {}});
    s.page.Sending()->ChooseAutoReply();  // off again: kept with the settings
    return echoed == kEchoMessage * kEchoMessages * kEchoClients;
}

bool PartEchoPlain() {
    int port = 0;
    const int listener = quillet::test::TcpListen(&port);
    std::atomic<bool> stop{false};
    // A plain echo loop: a thread per client that sends back what it reads.
    std::thread acceptor([&] {
        std::vector<std::thread> echoers;
        for (int i = 0; i < kEchoClients; ++i) {
            const int fd = quillet::test::TcpAccept(listener);
            if (fd < 0)
                break;
            echoers.emplace_back([fd] {
                char buf[10240];
                for (ssize_t n; (n = recv(fd, buf, sizeof buf - 1, 0)) > 0;)
                    send(fd, buf, static_cast<size_t>(n), MSG_NOSIGNAL);
                close(fd);
            });
        }
        for (auto& t : echoers)
            t.join();
    });
    const auto start = Clock::now();
    const size_t echoed = RunEchoClients(port);
    const double seconds = Seconds(Clock::now() - start);
    stop = true;
    acceptor.join();
    close(listener);
    Report("echo_msgs_per_s", echoed / kEchoMessage / seconds);
    Report("echo_pct", echoed * 100.0 / (kEchoMessage * kEchoMessages * kEchoClients));
    return true;
}

namespace {

// A 1 GiB file of printable bytes in a fresh temporary folder.
QString MakeBigFile(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("big.bin"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    const std::string block(kPlainChunk, 'f');
    for (size_t done = 0; done < kFileBytes; done += block.size())
        f.write(block.data(), static_cast<qint64>(block.size()));
    return path;
}

}  // namespace

bool PartFilePage() {
    QTemporaryDir dir;
    const QString path = MakeBigFile(dir);
    Server s;
    if (path.isEmpty() || !s.Start())
        return false;
    const int peer = quillet::test::TcpConnect(s.port);
    if (peer < 0 || !s.WaitClients(1))
        return false;
    ClickTreeItem(&s.page, s.Node(0));
    std::atomic<size_t> got{0};
    std::atomic<bool> stop{false};
    std::thread reader(CountReads, peer, &got, &stop);
    Heartbeat beat;
    beat.Start();
    AnswerNextPrompt({{pages::CSendFileDlg::kPath, path}});
    const auto start = Clock::now();
    s.page.Sending()->SendFileToSelected();
    const bool done = RunUntil([&] { return got == kFileBytes; }, kLimit);
    const double seconds = Seconds(Clock::now() - start);
    beat.Stop();
    stop = true;
    reader.join();
    close(peer);
    Report("file_MBps", done ? kFileBytes / seconds / 1e6 : 0);
    Report("file_p99_ms", beat.P99Ms());
    return done;
}

bool PartFilePlain() {
    QTemporaryDir dir;
    const QString path = MakeBigFile(dir);
    int port = 0;
    const int listener = quillet::test::TcpListen(&port);
    const int peer = quillet::test::TcpConnect(port);
    const int fd = quillet::test::TcpAccept(listener);
    QFile f(path);
    if (path.isEmpty() || fd < 0 || peer < 0 || !f.open(QIODevice::ReadOnly))
        return false;
    std::atomic<size_t> got{0};
    std::atomic<bool> stop{false};
    std::thread reader(CountReads, peer, &got, &stop);
    // A plain loop: read a piece of the file, send all of it in calls of 64 KiB.
    std::string piece(kPlainChunk, '\0');
    const auto start = Clock::now();
    for (qint64 n; (n = f.read(piece.data(), static_cast<qint64>(piece.size()))) > 0;) {
        for (qint64 off = 0; off < n;) {
            const ssize_t k =
                send(fd, piece.data() + off, static_cast<size_t>(std::min<qint64>(n - off, 65536)),
                     MSG_NOSIGNAL);
            if (k <= 0)
                break;
            off += k;
        }
    }
    PollUntil([&] { return got == kFileBytes; }, kLimit);
    const double seconds = Seconds(Clock::now() - start);
    stop = true;
    reader.join();
    for (int x : {peer, fd, listener})
        close(x);
    Report("file_MBps", got == kFileBytes ? kFileBytes / seconds / 1e6 : 0);
    return true;
}

}  // namespace quillet::bench
