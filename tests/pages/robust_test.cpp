// Abuse from outside: peers that connect and say nothing, peers that reset while the page sends
// to them, datagrams from empty to the largest IPv4 allows, and more clients than the process
// has descriptors for. The pages keep working and log what they should.
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QThread>

#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/descriptor_budget.h"
#include "engine/worker_group.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_client_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/pages/soak_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CDlgSetIp;
using pages::CSetListenDlg;
using pages::CSetUdpServerIp;
using pages::CTcpClientDlg;
using pages::CTcpServerDlg;
using pages::CUdpClientDlg;
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
    pages::TreeNode* Client(int* fd, int window = 0) {
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
        pages::TreeNode* node = nullptr;
        EXPECT_TRUE(Eventually([&] { return (node = NodeStarting(page_.get(), label)); }));
        return node;
    }

    std::unique_ptr<CTcpServerDlg> page_;
    int port_ = 0;
    std::vector<int> peers_;
};

TEST_F(TcpServerAbuseTest, SilentClientHoldsNothingUp) {
    int silent = -1, talker = -1;
    pages::TreeNode* quiet = Client(&silent);
    pages::TreeNode* chatty = Client(&talker);
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
    pages::TreeNode* node = Client(&victim, 4096);
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
    pages::TreeNode* other = Client(&next);
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

// A client storm beyond the descriptor limit: the page keeps the clients it has room for, closes
// the rest at once and says so without blocking, keeps descriptors for the toolkit (a new
// thread with its event loop, a prompt), and takes new clients once others leave.
TEST_F(TcpServerAbuseTest, OutOfDescriptorsTheServerRefusesTheExcessAndAcceptsAgain) {
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
    // Room for a few connections below the descriptors kept for the toolkit (the limit bounds
    // the numbers, not the count).
    const int room = 16;
    FileLimit limit(static_cast<rlim_t>(highest + 1 + room));
    ASSERT_TRUE(limit.ok());
    const sockaddr_in to = Loopback(port_);
    for (int fd : clients)
        ASSERT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    pages::TreeNode* root = Root(page_.get());
    // Each client is either shown or closed at once: none waits in the queue.
    std::vector<int> refused;
    for (int fd : clients) {
        const QString label = At(LocalPort(fd));
        pages::TreeNode* node = nullptr;
        const bool shown =
            Eventually([&] {
                return (node = NodeStarting(page_.get(), label)) ||
                       page_->Engine().RefusedConnections() + root->childCount() == kClients;
            }) &&
            node;
        if (!shown)
            refused.push_back(fd);
    }
    ASSERT_FALSE(refused.empty()) << "the accepts never ran short (" << OpenDescriptors()
                                  << " open)";
    EXPECT_EQ(page_->Engine().RefusedConnections(), refused.size());
    for (int fd : refused)
        EXPECT_TRUE(WaitPeerClosed(fd));
    const int shown = root->childCount();
    EXPECT_EQ(shown + static_cast<int>(refused.size()), kClients);
    EXPECT_EQ(pages::CTreeCtrlEx::GetItemImage(root), pages::kImageEndpointActive);
    // Said once, without a modal box, with the count.
    const QString count = QString::number(refused.size());
    auto* note = page_->findChild<QMessageBox*>(QStringLiteral("refusedNote"));
    ASSERT_TRUE(Eventually([&] {
        return (note = page_->findChild<QMessageBox*>(QStringLiteral("refusedNote"))) &&
               note->text().contains(count);
    }));
    EXPECT_TRUE(note->isVisible());
    EXPECT_FALSE(note->isModal());
    EXPECT_TRUE(root->toolTip(0).contains(count));
    EXPECT_TRUE(messages_.empty());
    note->close();

    // The toolkit still has descriptors: a new thread runs its event loop, a prompt opens.
    QThread helper;
    QObject inHelper;
    inHelper.moveToThread(&helper);
    helper.start();
    std::atomic<bool> ran{false};
    QMetaObject::invokeMethod(
        &inHelper, [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(Eventually([&] { return ran.load(); }));
    helper.quit();
    helper.wait();
    bool prompted = false;
    ui::SetModalScript([&](QDialog*) { prompted = true; });
    Press(page_.get(), CTcpServerDlg::kCreate);
    EXPECT_TRUE(prompted);

    // Deleting connections frees descriptors: a new client comes in.
    for (int i = 0; i < 3 && root->childCount() > 0; ++i) {
        Select(page_.get(), root->child(0));
        Press(page_.get(), CTcpServerDlg::kDelete);
    }
    // Once their workers have ended, the next client and its accepted socket fit below the top.
    EXPECT_TRUE(Eventually([&] {
        const int client = dup(0), accepted = dup(0);
        const bool room = client >= 0 && accepted >= 0 && !fd::InHeadroom(accepted);
        close(client);
        close(accepted);
        return room;
    }));
    int late = -1;
    pages::TreeNode* lateNode = Client(&late);
    ASSERT_NE(lateNode, nullptr);
    ASSERT_TRUE(SendAll(late, "in"));
    EXPECT_TRUE(Eventually([&] { return Counted(lateNode) == 2; }));
}

// The client page at the process's limits: a connection that gets no receive thread, and
// sockets that would eat the descriptors kept for the toolkit, each fail with a message.
class TcpClientLimitsTest : public PageDriverTest {
protected:
    void SetUp() override {
        PageDriverTest::SetUp();
        page_ = std::make_unique<CTcpClientDlg>();
        page_->show();
        listener_ = TcpListen(&port_);
    }
    void TearDown() override {
        WorkerGroup::FailNextSpawnsForTest(0);
        page_.reset();
        CloseFd(listener_);
        PageDriverTest::TearDown();
    }
    void Create(int count) {
        AnswerPrompt({{CDlgSetIp::kBoxAddress, QStringLiteral("127.0.0.1")},
                      {CDlgSetIp::kBoxPort, QString::number(port_)},
                      {CDlgSetIp::kBoxCount, QString::number(count)}});
        Press(page_.get(), CTcpClientDlg::kCreate);
    }

    std::unique_ptr<CTcpClientDlg> page_;
    int listener_ = -1, port_ = 0;
};

TEST_F(TcpClientLimitsTest, NoReceiveThreadClosesTheConnectionWithAMessage) {
    WorkerGroup::FailNextSpawnsForTest(1);
    Create(2);
    pages::TreeNode* root = Root(page_.get());
    ASSERT_EQ(root->childCount(), 2);
    ASSERT_TRUE(Eventually([&] { return page_->PendingConnects() == 0; }));
    int open = 0;
    {
        CCritSecLock lock(g_csConnect);
        for (int i = 0; i < 2; ++i)
            open += Rec(root->child(i))->sock != -1;
    }
    EXPECT_EQ(open, 1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, QStringLiteral("创建接收线程失败!"));
}

TEST_F(TcpClientLimitsTest, SocketsStopShortOfTheToolkitsDescriptors) {
    Create(1);  // one connection is made, and connected on demand
    const int probe = dup(0);
    ASSERT_GE(probe, 0);
    close(probe);
    FileLimit limit(static_cast<rlim_t>(probe + 8));  // every free number is kept back
    ASSERT_TRUE(limit.ok());
    Press(page_.get(), CTcpClientDlg::kConnect);
    limit.Restore();
    ASSERT_TRUE(Eventually([&] { return page_->PendingConnects() == 0; }));
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_[0].text, QStringLiteral("创建套接字出错!\n原因: 打开的文件太多"));
    CCritSecLock lock(g_csConnect);
    EXPECT_EQ(Rec(Root(page_.get())->child(0))->sock, -1);
}

TEST_F(PageDriverTest, UdpEndpointWithoutAReceiveThreadSaysSoAndStillSends) {
    auto page = std::make_unique<CUdpClientDlg>();
    page->show();
    PeerSocket peer(UdpBind(0));
    const int local = FreeUdpPort();
    WorkerGroup::FailNextSpawnsForTest(1);
    AnswerPrompt({{CSetUdpServerIp::kBoxAddress, QStringLiteral("127.0.0.1")},
                  {CSetUdpServerIp::kBoxPeerPort, QString::number(LocalPort(peer))},
                  {CSetUdpServerIp::kBoxLocalPort, QString::number(local)},
                  {CSetUdpServerIp::kBoxCount, QStringLiteral("1")}});
    Press(page.get(), CUdpClientDlg::kCreate);
    WorkerGroup::FailNextSpawnsForTest(0);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, QStringLiteral("创建接收线程失败!"));
    ASSERT_EQ(Root(page.get())->childCount(), 1);
    page->SendBox()->setPlainText(QStringLiteral("out"));
    Press(page.get(), CUdpClientDlg::kSend);
    bool ok = false;
    EXPECT_EQ(UdpRecv(peer, &ok), "out");
    EXPECT_TRUE(ok);
    page.reset();
    peer.Close();
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

TEST_F(UdpServerAbuseTest, DatagramsFromEmptyToLargestAreLoggedWhole) {
    // An empty datagram from an unknown sender makes no peer.
    ASSERT_TRUE(SendSized(0));
    ASSERT_TRUE(SendSized(1));
    const QString label = At(LocalPort(peer_));
    pages::TreeNode* node = nullptr;
    ASSERT_TRUE(Eventually([&] { return (node = NodeStarting(page_.get(), label)); }));
    EXPECT_TRUE(Eventually([&] { return Counted(node) == 1; }));
    EXPECT_EQ(Root(page_.get())->childCount(), 1);

    for (size_t size : {10239u, 10240u, 65507u})
        ASSERT_TRUE(SendSized(size)) << size;
    EXPECT_TRUE(Eventually([&] { return Counted(node) == 1 + 10239 + 10240 + 65507; }));
    Select(page_.get(), node);
    const QStringList lines = page_->ReceivedView()->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    const int stamp = QStringLiteral("2026-12-07 08:00:00  ").size();
    EXPECT_EQ(lines[0].size() - stamp, 1);
    const int sizes[] = {1, 10239, 10240, 65507};
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(lines[i].size() - stamp, sizes[i]) << "line " << i;

    // An empty datagram from a known sender ends that peer; the page keeps serving.
    ASSERT_TRUE(SendSized(0));
    EXPECT_TRUE(Eventually([&] {
        const int image = pages::CTreeCtrlEx::GetItemImage(node);
        return image == pages::kImageClosed || image == pages::kImageClosedUnread;
    }));
    PeerSocket other(UdpBind(0));
    ASSERT_TRUE(UdpSendTo(other, "after", port_));
    pages::TreeNode* next = nullptr;
    EXPECT_TRUE(Eventually([&] {
        return (next = NodeStarting(page_.get(), At(LocalPort(other)))) && Counted(next) == 5;
    }));
    other.Close();
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace quillet::test
