// The TCP server page with real clients on 127.0.0.1: listening, accepting, the icons and
// button states, sending and receiving, disconnecting and deleting, the messages, teardown.
#include <QGroupBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include "engine/crit_sec.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/wait_until.h"
#include "tests/pages/tcp_page_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CTcpServerDlg;

using enum CTcpServerDlg::ControlId;
using enum pages::CSetListenDlg::ControlId;

class TcpServerPageTest : public TcpPageTest<CTcpServerDlg> {
protected:
    int Listen() { return ListenOnFreePort(); }
    PeerSocket Accepted(int port, int index) { return AcceptedClient(port, index); }
};

TEST_F(TcpServerPageTest, StartsWithItsControlsLaidOutAndOnlyTheAlwaysOnButtonsEnabled) {
    EXPECT_EQ(page_->objectName(), "page129");
    EXPECT_EQ(page_->palette().color(QPalette::Window), QColor(232, 243, 250));
    EXPECT_EQ(Tree()->objectName(), ui::ControlName(kTree));
    EXPECT_EQ(Root()->text(0), "127.0.0.1");
    EXPECT_EQ(Icon(Root()), 0);
    QStringList groups;
    for (auto* g : page_->findChildren<QGroupBox*>())
        groups << g->title();
    EXPECT_TRUE(groups.contains("收到的信息") && groups.contains("发送窗口"));
    EXPECT_FALSE(groups.contains("已发送的信息"));

    const int gap = (Tree()->viewport()->width() / 5 - 24) / 2;
    const int ids[] = {kCreate, kListen, kStopListen, kDisconnect, kDelete};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(page_->Button(ids[i])->geometry(), QRect(14 + i * (51 + gap), 5, 51, 24)) << i;
    const QRect box = page_->SendBox()->geometry(), recv = page_->ReceivedView()->geometry(),
                sent = page_->SentView()->geometry();
    EXPECT_EQ(page_->Button(kSend)->geometry(),
              QRect(box.right() + 1 - 61, box.top() - 26, 51, 24));
    EXPECT_EQ(page_->Button(kClearReceived)->geometry(),
              QRect(QPoint(recv.right() + 1 - 101, 5), QPoint(recv.right() - 10, recv.top() - 3)));
    EXPECT_EQ(page_->Button(kClearSent)->geometry(),
              QRect(sent.right() + 1 - 101, sent.top() - 26, 91, 24));

    for (int id : {int(kListen), int(kStopListen), int(kDisconnect), int(kDelete)})
        EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {int(kCreate), int(kSend), int(kClearReceived), int(kClearSent)})
        EXPECT_TRUE(Enabled(id)) << id;
    QTest::keyClick(page_.get(), Qt::Key_Escape);
    QTest::keyClick(page_->SendBox(), Qt::Key_Escape);
    EXPECT_TRUE(page_->isVisible());
}

TEST_F(TcpServerPageTest, PortPromptRefusesBadPortsAndCreatesNothingForZeroOrCancel) {
    for (const char* bad : {"65536", "99999999999"}) {
        ScriptPrompt({{kBoxPort, bad}});
        Press(kCreate);
        EXPECT_EQ(lastPrompt_, "dialog138");
        EXPECT_EQ(lastCaption_, "请输入端口");
        EXPECT_TRUE(lastLabels_.isEmpty()) << lastLabels_.join(' ').toStdString();
        EXPECT_EQ(lastFocus_, ui::ControlName(kBoxPort));
        EXPECT_TRUE(stayedOpen_) << bad;
        EXPECT_TRUE(HasMessage("输入的端口号有错！", "提示")) << bad;
        messages_.clear();
    }
    for (const char* nothing : {"", "abc", "-5", "0"}) {
        ScriptPrompt({{kBoxPort, nothing}});
        Press(kCreate);
        EXPECT_FALSE(stayedOpen_);
    }
    ScriptPrompt({{kBoxPort, "6000"}}, false);
    Press(kCreate);
    EXPECT_EQ(Root()->text(0), "127.0.0.1");
    EXPECT_EQ(Icon(Root()), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TcpServerPageTest, ListensOnceAndStopsAndListensAgainKeepingClients) {
    const int port = Listen();
    EXPECT_EQ(Root()->text(0), QString("127.0.0.1:%1").arg(port));
    EXPECT_EQ(Icon(Root()), 1);
    EXPECT_FALSE(Enabled(kListen));
    EXPECT_TRUE(Enabled(kStopListen));
    ScriptPrompt({{kBoxPort, "1"}});  // a second Create changes nothing
    Press(kCreate);
    EXPECT_EQ(Root()->text(0), QString("127.0.0.1:%1").arg(port));

    PeerSocket a(Accepted(port, 0));
    Press(kStopListen);
    EXPECT_EQ(Icon(Root()), 0);
    EXPECT_TRUE(Enabled(kListen));
    EXPECT_FALSE(Enabled(kStopListen));
    ASSERT_TRUE(SendAll(a, "still here"));
    EXPECT_TRUE(Eventually([&] { return Icon(Child(0)) == 5; }));
    Press(kListen);
    EXPECT_EQ(Icon(Root()), 1);
    PeerSocket b(Accepted(port, 1));
    EXPECT_TRUE(messages_.empty());
    a.Close();
    b.Close();
}

TEST_F(TcpServerPageTest, PortInUseLeavesTheServerStoppedWithListenOffered) {
    int port = 0;
    PeerSocket other(TcpListen(&port));
    ScriptPrompt({{kBoxPort, QString::number(port)}});
    Press(kCreate);
    EXPECT_TRUE(HasMessage("监听启动失败\n原因: 地址或端口已被占用", "错误！"));
    EXPECT_EQ(Root()->text(0), QString("127.0.0.1:%1").arg(port));
    EXPECT_EQ(Icon(Root()), 0);
    ClickItem(Root());
    EXPECT_TRUE(Enabled(kListen));
    EXPECT_FALSE(Enabled(kStopListen));
    other.Close();
    Press(kListen);
    EXPECT_EQ(Icon(Root()), 1);
    EXPECT_TRUE(Enabled(kStopListen));
}

TEST_F(TcpServerPageTest, ExchangesMessagesWithTheClickedClient) {
    const int port = Listen();
    PeerSocket peer(Accepted(port, 0));
    pages::TreeNode* node = Child(0);
    EXPECT_EQ(node->text(0), QString("127.0.0.1:%1").arg(LocalPort(peer)));
    EXPECT_EQ(Icon(node), 3);
    EXPECT_EQ(Tree()->currentItem(), nullptr);  // a new client does not take the selection

    ASSERT_TRUE(SendAll(peer, "hello"));
    ASSERT_TRUE(Eventually([&] { return Icon(node) == 5; }));
    ClickItem(node);
    EXPECT_EQ(Icon(node), 3);
    EXPECT_FALSE(Rec(node)->bUnread);
    EXPECT_TRUE(Received().contains(LogLine("hello")));
    EXPECT_TRUE(Enabled(kDisconnect) && Enabled(kDelete));
    EXPECT_FALSE(Enabled(kListen) || Enabled(kStopListen));

    Type("reply  ");
    Press(kSend);
    EXPECT_EQ(RecvExactly(peer, 5), "reply");
    EXPECT_TRUE(Sent().contains(LogLine("reply")));
    EXPECT_TRUE(page_->SendBox()->toPlainText().isEmpty());
    EXPECT_EQ(Rec(node)->nSentBytes, 5u);

    ASSERT_TRUE(SendAll(peer, "more"));  // the selected client's view follows at once
    EXPECT_TRUE(Eventually([&] { return Received().contains(LogLine("more")); }));
    EXPECT_TRUE(Received().contains(LogLine("hello")));
    EXPECT_EQ(Icon(node), 3);
    peer.Close();  // unread data was never cleared by a click: closed with unread
    EXPECT_TRUE(Eventually([&] { return Icon(node) == 4; }));
    EXPECT_FALSE(Enabled(kDisconnect));

    Type("   ");  // blanks only: the sent view empties, nothing is sent
    Press(kClearSent);
    Press(kClearReceived);
    EXPECT_TRUE(Received().isEmpty() && Sent().isEmpty());
    EXPECT_TRUE(Rec(node)->strRecv.empty() && Rec(node)->strSent.empty());
    EXPECT_EQ(Rec(node)->nRecvBytesAll, 0u);
}

TEST_F(TcpServerPageTest, IconsFollowUnreadDataAndClosing) {
    const int port = Listen();
    PeerSocket a(Accepted(port, 0)), b(Accepted(port, 1));
    ClickItem(Child(0));
    ASSERT_TRUE(SendAll(b, "x"));
    ASSERT_TRUE(Eventually([&] { return Icon(Child(1)) == 5; }));
    b.Close();
    EXPECT_TRUE(Eventually([&] { return Icon(Child(1)) == 4; }));
    EXPECT_FALSE(Enabled(kDisconnect));  // any close report turns it off, even for open a
    ClickItem(Child(0));
    Press(kDisconnect);
    EXPECT_TRUE(WaitPeerClosed(a));
    EXPECT_EQ(Icon(Child(0)), 2);
    EXPECT_FALSE(Enabled(kDisconnect));
    EXPECT_TRUE(Enabled(kDelete));
    ClickItem(Child(1));
    EXPECT_EQ(Icon(Child(1)), 2);
    EXPECT_TRUE(Received().contains(LogLine("x")));
    ClickItem(Root());
    EXPECT_TRUE(Received().isEmpty());
    EXPECT_FALSE(Enabled(kDelete));
    EXPECT_TRUE(Enabled(kStopListen));
    a.Close();
}

TEST_F(TcpServerPageTest, KeyboardSelectionMovesTheTargetButNotTheViews) {
    const int port = Listen();
    PeerSocket a(Accepted(port, 0)), b(Accepted(port, 1));
    ASSERT_TRUE(SendAll(a, "from a"));
    ASSERT_TRUE(Eventually([&] { return Icon(Child(0)) == 5; }));
    ClickItem(Child(0));
    const QString shown = Received();
    Tree()->setFocus();
    QTest::keyClick(Tree(), Qt::Key_Down);
    EXPECT_EQ(Tree()->currentItem(), Child(1));
    EXPECT_EQ(Received(), shown);
    Press(kDisconnect);  // the command acts on the keyboard's choice, b
    EXPECT_TRUE(WaitPeerClosed(b));
    EXPECT_EQ(Icon(Child(0)), 3);
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                      QPoint(5, Tree()->viewport()->height() - 3));  // empty space
    EXPECT_TRUE(messages_.empty());
    a.Close();
}

TEST_F(TcpServerPageTest, EveryRefusalHasItsMessage) {
    Press(kSend);
    Type("hi");
    ClickItem(Root());
    Press(kSend);
    Press(kClearReceived);
    Press(kClearSent);
    ASSERT_EQ(messages_.size(), 4u);
    EXPECT_TRUE(HasMessage("请选择接收端！", "提示!"));
    EXPECT_TRUE(HasMessage("未选择要清除的连接", "提示"));
    messages_.clear();

    const int port = Listen();
    PeerSocket peer(Accepted(port, 0));
    ClickItem(Child(0));
    Press(kDisconnect);
    Press(kSend);
    EXPECT_TRUE(HasMessage("未建立链接！", "提示!"));
    peer.Close();
}

TEST_F(TcpServerPageTest, FailedSendClosesTheConnectionAndTellsTheUser) {
    const int port = Listen();
    PeerSocket peer(Accepted(port, 0));
    ClickItem(Child(0));
    // The page's own writing side already shut: the next send fails as to a vanished peer.
    ASSERT_EQ(shutdown(Rec(Child(0))->sock, SHUT_WR), 0);
    Type("lost");
    Press(kSend);
    EXPECT_TRUE(HasMessage("对方已经断开！", "提示"));
    EXPECT_EQ(Rec(Child(0))->sock, -1);
    EXPECT_EQ(Icon(Child(0)), 2);
    EXPECT_FALSE(Enabled(kDisconnect));
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(WaitPeerClosed(peer));
    peer.Close();
}

TEST_F(TcpServerPageTest, DeleteRemovesTheClientWhileItFloodsThePage) {
    const int port = Listen();
    PeerSocket peer(Accepted(port, 0));
    ClickItem(Child(0));
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        const std::string chunk(1000, 'f');
        for (int i = 0; i < 100000 && !stop; ++i)
            if (send(peer, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0)
                break;
    });
    EXPECT_TRUE(Eventually([&] { return Received().size() > 20000; }));
    Press(kDelete);
    EXPECT_EQ(Root()->childCount(), 0);
    stop = true;
    flood.join();
    EXPECT_TRUE(WaitPeerClosed(peer));
    EXPECT_TRUE(Eventually([&] { return page_->Engine().LiveWorkers() == 1; }));  // accept only
    EXPECT_TRUE(page_->Engine().m_map.empty());
    PeerSocket next(Accepted(port, 0));  // still serving
    EXPECT_EQ(Rec(Child(0))->nId, 1u);
    peer.Close();
    next.Close();
}

TEST_F(TcpServerPageTest, TeardownClosesTheServerAndEveryClient) {
    const int port = Listen();
    PeerSocket a(Accepted(port, 0)), b(Accepted(port, 1));
    ClickItem(Child(1));
    Press(kDisconnect);
    page_.reset();
    EXPECT_TRUE(WaitPeerClosed(a));
    EXPECT_TRUE(WaitPeerClosed(b));
    EXPECT_LT(TcpConnect(port), 0);
    a.Close();
    b.Close();
}

// A client with a small receive window that does not grow, which will not read for a while.
int StalledClient(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    timeval bound{5, 0};  // a failing test ends by itself
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    sockaddr_in to = Loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        CloseFd(fd);
        return -1;
    }
    return fd;
}

// A client that stops reading never holds up the window: the page's timers keep running while
// the text waits, the box keeps it and the log has no line for it; when the client resets, the
// log holds what the socket really took and the message says what was and was not sent.
TEST_F(TcpServerPageTest, SendToAStalledClientNeverBlocksTheWindow) {
    const int port = Listen();
    PeerSocket peer(StalledClient(port));
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    ClickItem(Child(0));
    ConnectInfo* rec = Rec(Child(0));
    const QString line = QString(1023, QChar('x')) + QChar('\n');
    const QString text = line.repeated(8 * 1024) + QStringLiteral("end");  // 8 MiB and 3 bytes
    const size_t total = 8u * 1024 * 1024 + 3;
    Type(text);

    std::atomic<int> ticks{0};
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(1);
    // Should the window hang in the send after all, a reset frees it and the checks below fail.
    std::atomic<bool> done{false};
    std::thread guard([&] {
        if (!WaitUntil([&] { return ticks > 0 || done; }))
            shutdown(peer, SHUT_WR);  // the page's receive thread then closes its socket
    });
    Press(kSend);
    auto pending = [rec] {
        CCritSecLock lock(g_csConnect);
        return !rec->sendQueue.pending.empty();
    };
    const int before = ticks;
    EXPECT_TRUE(Eventually([&] { return ticks >= before + 20; }));
    EXPECT_TRUE(pending());
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(rec->nSentBytes, 0u);
    EXPECT_EQ(page_->SendBox()->toPlainText(), text);
    done = true;
    guard.join();

    linger lg{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    peer.Close();  // RST
    ASSERT_TRUE(Eventually([&] { return !messages_.empty(); }));
    const auto match =
        QRegularExpression(
            QStringLiteral("^对方已经断开！\n已发送 (\\d+) 字节，未发送 (\\d+) 字节。$"))
            .match(messages_.back().text);
    ASSERT_TRUE(match.hasMatch()) << messages_.back().text.toStdString();
    EXPECT_EQ(messages_.back().caption, QStringLiteral("提示"));
    const size_t sent = match.captured(1).toULongLong(), unsent = match.captured(2).toULongLong();
    EXPECT_GT(sent, 0u);
    EXPECT_GT(unsent, 0u);
    EXPECT_EQ(sent + unsent, total);
    EXPECT_EQ(rec->nSentBytes, sent);
    EXPECT_EQ(Sent().count(QChar('x')),
              static_cast<qsizetype>(std::min<size_t>(sent, total - 3) -
                                     std::min<size_t>(sent, total - 3) / 1024));
    EXPECT_FALSE(Sent().contains(QStringLiteral("end")));
    EXPECT_EQ(rec->sock, -1);
    EXPECT_EQ(Icon(Child(0)), 2);
    EXPECT_EQ(page_->SendBox()->toPlainText(), text);  // kept: it did not all go out
}

// Disconnect drops what waits for a stalled client at once; the client gets no more of it and
// no message follows.
TEST_F(TcpServerPageTest, DisconnectDropsWhatWaitsForAStalledClient) {
    const int port = Listen();
    PeerSocket peer(StalledClient(port));
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    ClickItem(Child(0));
    ConnectInfo* rec = Rec(Child(0));
    Type(QString(1023, QChar('x')).append(QChar('\n')).repeated(8 * 1024));
    Press(kSend);
    Press(kDisconnect);
    {
        CCritSecLock lock(g_csConnect);
        EXPECT_TRUE(rec->sendQueue.pending.empty());
        EXPECT_EQ(rec->sendQueue.waitingBytes, 0u);
    }
    EXPECT_TRUE(WaitPeerClosed(peer));
    EXPECT_TRUE(Eventually([&] { return page_->Engine().LiveWorkers() == 1; }));  // accept only
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(Sent().isEmpty());
    peer.Close();
}

// Delete and closing the page end a stalled send at once: the clients see their connections
// close, though neither has read what waited for it.
TEST_F(TcpServerPageTest, DeleteAndClosingEndStalledSendsAtOnce) {
    const int port = Listen();
    PeerSocket first(StalledClient(port));
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    PeerSocket second(StalledClient(port));
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 2; }));
    const QString text = QString(1023, QChar('x')).append(QChar('\n')).repeated(8 * 1024);
    for (pages::TreeNode* node : {Child(0), Child(1)}) {
        ClickItem(node);
        Type(text);
        Press(kSend);
    }
    ClickItem(Child(0));
    Press(kDelete);
    EXPECT_EQ(Root()->childCount(), 1);
    EXPECT_TRUE(WaitPeerClosed(first));
    page_.reset();
    EXPECT_TRUE(WaitPeerClosed(second));
    EXPECT_TRUE(messages_.empty());
    first.Close();
    second.Close();
}

// A text that waits for a slow client is logged as one line, counted and taken from the box
// once the client has read all of it.
TEST_F(TcpServerPageTest, TextThatWaitsIsLoggedWhenAllOfItIsTaken) {
    const int port = Listen();
    PeerSocket peer(StalledClient(port));
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    ClickItem(Child(0));
    const QString text = QString(1023, QChar('x')).append(QChar('\n')).repeated(8 * 1024) + "end";
    const size_t total = 8u * 1024 * 1024 + 3;
    Type(text + "  ");
    Press(kSend);
    EXPECT_TRUE(Sent().isEmpty());
    const std::string got = RecvExactly(peer, total);
    EXPECT_EQ(got.size(), total);
    EXPECT_EQ(got.substr(total - 4), "\nend");
    ASSERT_TRUE(Eventually([&] { return page_->SendBox()->toPlainText().isEmpty(); }));
    EXPECT_EQ(Rec(Child(0))->nSentBytes, total);
    EXPECT_EQ(Sent().count(QChar('x')), 8 * 1024 * 1023);
    EXPECT_TRUE(Sent().endsWith(QStringLiteral("end\n")) || Sent().endsWith(QStringLiteral("end")));
    EXPECT_TRUE(messages_.empty());
    peer.Close();
}

// The tree's rows as the view reads them from its model: each client's node, text and icon,
// through batches of connects and deletes in the middle, the first and the last.
TEST_F(TcpServerPageTest, TreeRowsFollowTheRecordsThroughConnectsAndDeletes) {
    const int port = Listen();
    std::vector<PeerSocket> peers;
    QStringList expected;
    const auto connectSome = [&](int count) {
        for (int i = 0; i < count; ++i) {
            peers.emplace_back(TcpConnect(port));
            expected << QStringLiteral("127.0.0.1:%1").arg(LocalPort(peers.back()));
        }
        ASSERT_TRUE(Eventually([&] { return Root()->childCount() == expected.size(); }));
    };
    const auto rowsMatch = [&] {
        const QAbstractItemModel* model = Tree()->model();
        const QModelIndex root = model->index(0, 0);
        ASSERT_EQ(model->rowCount(root), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const QModelIndex row = model->index(i, 0, root);
            ASSERT_EQ(row.data(Qt::DisplayRole).toString(), expected[i]) << i;
            ASSERT_EQ(Child(i)->text(0), expected[i]);
            ASSERT_NE(Rec(Child(i)), nullptr);
            ASSERT_EQ(Rec(Child(i))->hItem, Child(i));  // the record knows its node
            ASSERT_EQ(Icon(Child(i)), pages::kImageOpen);
        }
    };
    connectSome(40);
    rowsMatch();
    for (int row : {17, 0, 37}) {  // the middle, the first, the last
        ClickItem(Child(row));
        Press(kDelete);
        expected.removeAt(row);
        rowsMatch();
    }
    connectSome(25);
    rowsMatch();
}

// Hundreds of clients that connect before the page looks: one node each, in accept order, open;
// clients that leave at once are shown closed, never before their nodes exist.
TEST_F(TcpServerPageTest, ABatchOfClientsArrivesInAcceptOrder) {
    constexpr int kClients = 400;
    const int port = Listen();
    std::vector<int> fds;
    QStringList expected;
    for (int i = 0; i < kClients; ++i) {
        const int fd = TcpConnect(port);
        ASSERT_GE(fd, 0);
        fds.push_back(fd);
        expected << QStringLiteral("127.0.0.1:%1").arg(LocalPort(fd));
        if (i % 4 == 3)
            CloseFd(fd);  // leaves straight away: its close news races its new-record news
    }
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() >= kClients; }));
    ASSERT_EQ(Root()->childCount(), kClients);
    int wrongOrder = 0;
    for (int i = 0; i < kClients; ++i)
        wrongOrder += Child(i)->text(0) != expected[i];
    EXPECT_EQ(wrongOrder, 0);
    EXPECT_TRUE(Eventually([&] {
        int wrongIcon = 0;
        for (int i = 0; i < kClients; ++i)
            wrongIcon += Icon(Child(i)) != (i % 4 == 3 ? 2 : 3);
        return wrongIcon == 0;
    }));
    for (int i = 0; i < kClients; ++i)
        if (i % 4 != 3)
            CloseFd(fds[i]);
}

}  // namespace
}  // namespace quillet::test
