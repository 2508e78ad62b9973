// One long line from the send box of the TCP server page to a reading peer: 100 KB, 1 MB and
// 10 MB, each timed from the press of Send until the peer has every byte, with the window's
// longest stall from the press until the page has logged it (the box emptied) and shown it; a
// plain blocking send loop of the same bytes beside it.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPlainTextEdit>

#include <atomic>
#include <string>
#include <thread>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "pages/tree_node.h"
#include "pages/prompt_dlg.h"
#include "pages/send_box.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr size_t kLineSizes[] = {100'000, 1'000'000, 10'000'000};
constexpr auto kLimit = std::chrono::seconds(120);

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

}  // namespace

bool PartSendBoxPage() {
    pages::CTcpServerDlg page;
    page.show();
    const int port = quillet::test::FreeTcpPort();
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
    PressButton(&page, pages::CTcpServerDlg::kCreate);
    const int peer = quillet::test::TcpConnect(port);
    pages::TreeNode* root = page.Tree()->topLevelItem(0);
    if (peer < 0 || !RunUntil([&] { return root->childCount() == 1; }, std::chrono::seconds(20)))
        return false;
    ClickTreeItem(&page, root->child(0));
    std::atomic<size_t> got{0};
    std::atomic<bool> stop{false};
    std::thread reader(Drain, peer, &got, &stop);
    bool ok = true;
    for (const size_t size : kLineSizes) {
        // As a paste puts it there: a long line in soft pieces.
        static_cast<pages::CSendBox*>(page.SendBox())
            ->SetText(QString(static_cast<qsizetype>(size), QLatin1Char('s')));
        RunFor(std::chrono::milliseconds(100));
        const size_t want = got + size;
        Heartbeat beat;
        beat.Start();
        const auto start = Clock::now();
        page.SendFromBox();
        const bool arrived = RunUntil([&] { return got >= want; }, kLimit);
        const double seconds = Seconds(Clock::now() - start);
        // The page logs the line once the writer has sent it all, and empties the box.
        const bool done =
            arrived && RunUntil([&] { return page.SendBox()->document()->isEmpty(); }, kLimit);
        RunFor(std::chrono::milliseconds(200));  // the views' refresh after it
        beat.Stop();
        const std::string name = SizeName(size);
        Report("sendbox_" + name + "_MBps", done ? size / seconds / 1e6 : 0);
        Report("sendbox_" + name + "_stall_ms", beat.MaxMs());
        ok = ok && done;
    }
    stop = true;
    reader.join();
    close(peer);
    return ok;
}

bool PartSendBoxPlain() {
    int port = 0;
    const int listener = quillet::test::TcpListen(&port);
    const int peer = quillet::test::TcpConnect(port);
    const int fd = quillet::test::TcpAccept(listener);
    if (fd < 0 || peer < 0)
        return false;
    std::atomic<size_t> got{0};
    std::atomic<bool> stop{false};
    std::thread reader(Drain, peer, &got, &stop);
    for (const size_t size : kLineSizes) {
        const std::string line(size, 's');
        const size_t want = got + size;
        const auto start = Clock::now();
        for (size_t off = 0; off < line.size();) {
            const ssize_t n = send(fd, line.data() + off, line.size() - off, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            off += static_cast<size_t>(n);
        }
        PollUntil([&] { return got >= want; }, kLimit);
        const double seconds = Seconds(Clock::now() - start);
        Report("sendbox_" + SizeName(size) + "_MBps", got >= want ? size / seconds / 1e6 : 0);
    }
    stop = true;
    reader.join();
    for (int x : {peer, fd, listener})
        close(x);
    return true;
}

}  // namespace quillet::bench
