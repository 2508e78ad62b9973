// A sequence of 10,000 send-and-wait exchanges on the TCP server page against a Python peer
// that echoes, beside a plain blocking Python loop doing the same exchanges against the same
// peer. Both on 127.0.0.1, bounded in time.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include "bench/bench_support.h"
#include "bench/page_parts.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/send/sequence_runner.h"
#include "pages/tcp_server_dlg.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/page_driver.h"

namespace quillet::bench {
namespace {

using test::AnswerNextPrompt;
using test::ClickTreeItem;
using test::PressButton;
using test::RunUntil;

constexpr int kExchanges = 10000;
constexpr auto kLimit = std::chrono::seconds(300);

// Connects to the port it is given, echoes every chunk; gives up after 60 s of silence.
constexpr const char* kEchoPeer = R"(
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=60)
s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
while True:
    data = s.recv(65536)
    if not data:
        break
    s.sendall(data)
)";

// The plain loop: listens, starts the same peer, then sends and waits for each echo, blocking.
constexpr const char* kPlainLoop = R"(
import socket, subprocess, sys, time
l = socket.socket(); l.bind(("127.0.0.1", 0)); l.listen(1)
peer = subprocess.Popen([sys.executable, sys.argv[1], str(l.getsockname()[1])])
c, _ = l.accept(); c.settimeout(60)
c.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
n = int(sys.argv[2]); start = time.monotonic()
for i in range(n):
    c.sendall(b"ping")
    got = b""
    while b"ping" not in got:
        got += c.recv(65536)
print(n / (time.monotonic() - start))
c.close(); peer.wait(30)
)";

QString WriteScript(const QTemporaryDir& dir, const char* name, const char* text) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(text);
    return path;
}

pages::Sequence Exchanges() {
    pages::SequenceStep send;
    send.text = QStringLiteral("ping");
    send.lineEnding = pages::LineEnding::kNone;
    pages::SequenceStep expect;
    expect.kind = pages::StepKind::kExpect;
    expect.pattern = QStringLiteral("ping");
    expect.ms = 10000;
    pages::SequenceStep repeat;
    repeat.kind = pages::StepKind::kRepeat;
    repeat.from = 1;
    repeat.count = kExchanges;
    return {QStringLiteral("bench"), {send, expect, repeat}};
}

}  // namespace

bool PartSequencePage() {
    QTemporaryDir dir;
    const QString peerScript = WriteScript(dir, "peer.py", kEchoPeer);
    pages::CTcpServerDlg page;
    page.show();
    const int port = test::FreeTcpPort();
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
    PressButton(&page, pages::CTcpServerDlg::kCreate);
    QProcess peer;
    peer.start(QStringLiteral("python3"), {peerScript, QString::number(port)});
    pages::TreeNode* root = page.Tree()->topLevelItem(0);
    if (!peer.waitForStarted(10000) ||
        !RunUntil([&] { return root->childCount() == 1; }, std::chrono::seconds(20)))
        return false;
    ClickTreeItem(&page, root->child(0));  // the view follows the notes as the user sees them
    bool finished = false, ok = false;
    QObject::connect(page.Sending()->Sequencer(), &pages::SequenceRunner::Finished, &page,
                     [&](bool passed, const QString&) { finished = true, ok = passed; });
    const auto start = Clock::now();
    if (!page.Sending()->RunSequence(Exchanges()))
        return false;
    RunUntil([&] { return finished; }, kLimit);
    const double seconds = Seconds(Clock::now() - start);
    page.Sending()->Sequencer()->Stop();
    peer.kill();
    peer.waitForFinished(10000);
    Report("sequence_exchanges_per_s", ok ? kExchanges / seconds : 0);
    return ok;
}

bool PartSequencePlain() {
    QTemporaryDir dir;
    const QString peerScript = WriteScript(dir, "peer.py", kEchoPeer);
    const QString loop = WriteScript(dir, "loop.py", kPlainLoop);
    QProcess python;
    python.start(QStringLiteral("python3"), {loop, peerScript, QString::number(kExchanges)});
    if (!python.waitForFinished(static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(kLimit).count())))
        return false;
    bool ok = false;
    const double rate = python.readAllStandardOutput().trimmed().toDouble(&ok);
    Report("sequence_exchanges_per_s", ok ? rate : 0);
    return ok && python.exitCode() == 0;
}

}  // namespace quillet::bench
