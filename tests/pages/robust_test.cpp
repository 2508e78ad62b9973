// Abuse from outside: peers that connect and say nothing, peers that reset while the page sends
// to them, datagrams from empty to the largest IPv4 allows, and more clients than the process
// has descriptors for. The pages keep working and log what they should.
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPlainTextEdit>

#include <dirent.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pages/prompt_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/pages/soak_fixture.h"

namespace quillet::test {
namespace {

using pages::CSetListenDlg;
using pages::CTcpServerDlg;
using pages::CUdpServerDlg;

QString At(int port) {
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

class TcpServerAbuseTest : public PageDriverTest {
protected:
    void SetUp() override {
        PageDriverTest::SetUp();
        page_ = std::make_unique<CTcpServerDlg>();
        page_->show();
        port_ = FreeTcpPort();
        AnswerPrompt({{CSetListenDlg::kBoxPort, QString::number(port_)}});
        Press(page_.get(), CTcpServerDlg::kCreate);
    }
    void TearDown() override {
        page_.reset();
        for (int fd : peers_)
            CloseFd(fd);
        PageDriverTest::TearDown();
    }
    // A client of the page, once its node is shown; `window` sets its receive buffer.
    QTreeWidgetItem* Client(int* fd, int window = 0) {
        *fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (window > 0)
            setsockopt(*fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
        const sockaddr_in to = Loopback(port_);
        if (connect(*fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            CloseFd(*fd);
            *fd = -1;
        }
        EXPECT_GE(*fd, 0);
        peers_.push_back(*fd);
        const QString label = At(LocalPort(*fd));
        QTreeWidgetItem* node = nullptr;
        EXPECT_TRUE(Eventually([&] { return (node = NodeStarting(page_.get(), label)); }));
        return node;
    }

    std::unique_ptr<CTcpServerDlg> page_;
    int port_ = 0;
    std::vector<int> peers_;
};

TEST_F(TcpServerAbuseTest, SilentClientHoldsNothingUp) {
    int silent = -1, talker = -1;
    QTreeWidgetItem* quiet = Client(&silent);
    QTreeWidgetItem* chatty = Client(&talker);
    ASSERT_TRUE(quiet && chatty);
    ASSERT_TRUE(SendAll(talker, "hello"));
    EXPECT_TRUE(Eventually([&] { return Counted(chatty) == 5; }));
    EXPECT_EQ(Counted(quiet), 0u);
    EXPECT_EQ(pages::CTreeCtrlEx::GetItemImage(quiet), pages::kImageOpen);
    // The page answers the silent one too; it only has to take the bytes into its buffer.
    Select(page_.get(), quiet);
    page_->SendBox()->setPlainText(QStringLiteral("anyone there?"));
    Press(page_.get(), CTcpServerDlg::kSend);
    EXPECT_EQ(RecvExactly(silent, 13), "anyone there?");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TcpServerAbuseTest, ResetDuringALongSendEndsOnlyThatConnection) {
    int victim = -1;
    QTreeWidgetItem* node = Client(&victim, 4096);
    ASSERT_NE(node, nullptr);
    Select(page_.get(), node);
    // The peer reads nothing, so the page's send fills both buffers and blocks; the peer then
    // resets (linger 0) once bytes have reached it, which ends the send.
    std::thread resetter([victim] {
        int queued = 0;
        for (int i = 0; i < 5000 && queued == 0; ++i) {
            ioctl(victim, FIONREAD, &queued);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        linger hard{1, 0};
        setsockopt(victim, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        shutdown(victim, SHUT_RDWR);
    });
    // Lines, not one long line: the send box need not lay out megabytes in one paragraph.
    const QString line = QString(1023, QLatin1Char('x')) + QLatin1Char('\n');
    page_->SendBox()->setPlainText(line.repeated(8192));
    Press(page_.get(), CTcpServerDlg::kSend);
    resetter.join();
    CloseFd(victim);
    peers_.erase(std::find(peers_.begin(), peers_.end(), victim));
    // Either the send saw the reset, or it finished into the buffers and the receive side
    // saw it: both end with the connection closed, told once.
    EXPECT_TRUE(Eventually([&] {
        CCritSecLock lock(g_csConnect);
        return Rec(node)->sock == -1;
    }));
    EXPECT_LE(messages_.size(), 1u);
    // The page goes on serving others.
    int next = -1;
    QTreeWidgetItem* other = Client(&next);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(SendAll(next, "still here"));
    EXPECT_TRUE(Eventually([&] { return Counted(other) == 10; }));
}

// Open descriptors of this process right now.
int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count - 3;  // ".", ".." and the directory's own descriptor
}

// Lowers the soft open-file limit for the test's span and restores it afterwards.
class FileLimit {
public:
    explicit FileLimit(rlim_t soft) {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = soft;
        ok_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~FileLimit() { Restore(); }
    void Restore() { setrlimit(RLIMIT_NOFILE, &saved_); }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    bool ok_ = false;
};

TEST_F(TcpServerAbuseTest, OutOfDescriptorsTheServerWaitsAndAcceptsAgain) {
    constexpr int kClients = 24;
    // The clients' own sockets are made first: only the page's accepts run short.
    std::vector<int> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_GE(clients.back(), 0);
        peers_.push_back(clients.back());
    }
    int highest = 0;
    for (int fd : clients)
        highest = std::max(highest, fd);
    // Room for about six more descriptors (the limit bounds the numbers, not the count).
    const int room = 6;
    FileLimit limit(static_cast<rlim_t>(highest + 1 + room));
    ASSERT_TRUE(limit.ok());
    const sockaddr_in to = Loopback(port_);
    for (int fd : clients)
        ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    QTreeWidgetItem* root = Root(page_.get());
    EXPECT_TRUE(Eventually([&] { return page_->Engine().AcceptRetries() > 0; }))
        << "the accepts never ran short (" << OpenDescriptors() << " open)";
    const int shown = root->childCount();
    EXPECT_LT(shown, kClients);
    EXPECT_EQ(pages::CTreeCtrlEx::GetItemImage(root), pages::kImageEndpointActive);

    // Deleting connections frees descriptors: the waiting clients come in.
    for (int i = 0; i < 3 && root->childCount() > 0; ++i) {
        Select(page_.get(), root->child(0));
        Press(page_.get(), CTcpServerDlg::kDelete);
    }
    EXPECT_TRUE(Eventually([&] { return root->childCount() > shown - 3; }));

    // With the limit back, every client is accepted.
    limit.Restore();
    EXPECT_TRUE(Eventually([&] { return root->childCount() == kClients - 3; }));
    int talker = clients.back();
    ASSERT_TRUE(SendAll(talker, "in"));
    QTreeWidgetItem* last = nullptr;
    EXPECT_TRUE(Eventually([&] {
        return (last = NodeStarting(page_.get(), At(LocalPort(talker)))) && Counted(last) == 2;
    }));
}

class UdpServerAbuseTest : public PageDriverTest {
protected:
    void SetUp() override {
        PageDriverTest::SetUp();
        page_ = std::make_unique<CUdpServerDlg>();
        page_->show();
        port_ = FreeUdpPort();
        AnswerPrompt({{CSetListenDlg::kBoxPort, QString::number(port_)}});
        Press(page_.get(), CUdpServerDlg::kCreate);
        peer_ = UdpBind(0);
    }
    void TearDown() override {
        page_.reset();
        CloseFd(peer_);
        PageDriverTest::TearDown();
    }
    bool SendSized(size_t size) {
        const std::string payload(size, 'd');
        const sockaddr_in to = Loopback(port_);
        return sendto(peer_, payload.data(), payload.size(), 0,
                      reinterpret_cast<const sockaddr*>(&to),
                      sizeof to) == static_cast<ssize_t>(size);
    }

    std::unique_ptr<CUdpServerDlg> page_;
    int port_ = 0, peer_ = -1;
};

TEST_F(UdpServerAbuseTest, DatagramsFromEmptyToLargestAreLoggedUpTo10239Bytes) {
    // An empty datagram from an unknown sender makes no peer.
    ASSERT_TRUE(SendSized(0));
    ASSERT_TRUE(SendSized(1));
    const QString label = At(LocalPort(peer_));
    QTreeWidgetItem* node = nullptr;
    ASSERT_TRUE(Eventually([&] { return (node = NodeStarting(page_.get(), label)); }));
    EXPECT_TRUE(Eventually([&] { return Counted(node) == 1; }));
    EXPECT_EQ(Root(page_.get())->childCount(), 1);

    for (size_t size : {10239u, 10240u, 65507u})
        ASSERT_TRUE(SendSized(size)) << size;
    EXPECT_TRUE(Eventually([&] { return Counted(node) == 1 + 3 * 10239; }));
    Select(page_.get(), node);
    const QStringList lines = page_->ReceivedView()->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    const int stamp = QStringLiteral("2026-12-07 08:00:00  ").size();
    EXPECT_EQ(lines[0].size() - stamp, 1);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(lines[i].size() - stamp, 10239) << "line " << i;

    // An empty datagram from a known sender ends that peer; the page keeps serving.
    ASSERT_TRUE(SendSized(0));
    EXPECT_TRUE(Eventually([&] {
        const int image = pages::CTreeCtrlEx::GetItemImage(node);
        return image == pages::kImageClosed || image == pages::kImageClosedUnread;
    }));
    PeerSocket other(UdpBind(0));
    ASSERT_TRUE(UdpSendTo(other, "after", port_));
    QTreeWidgetItem* next = nullptr;
    EXPECT_TRUE(Eventually([&] {
        return (next = NodeStarting(page_.get(), At(LocalPort(other)))) && Counted(next) == 5;
    }));
    other.Close();
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace quillet::test
