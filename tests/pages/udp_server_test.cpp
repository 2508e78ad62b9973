// The UDP server page on loopback: peers from two addresses, replies, stop and start, empty
// datagrams, Delete, and the page's messages.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "pages/prompts/prompt_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/pages/udp_page_fixture.h"

namespace quillet::test {
namespace {

using enum pages::CUdpServerDlg::ControlId;
using enum pages::CSetListenDlg::ControlId;

class UdpServerPageTest : public UdpPageTest {
protected:
    // Opens the page and starts its server on a free port.
    void Start() {
        Open<pages::CUdpServerDlg>();
        port_ = FreeUdpPort();
        AnswerPrompt({{kBoxPort, QString::number(port_)}});
        Click(kCreate);
        ASSERT_EQ(Root()->text(0), QStringLiteral("127.0.0.1:%1").arg(port_));
        ASSERT_EQ(Image(Root()), 1);
    }
    pages::TreeNode* PeerNode(int fd, const char* ip) const {
        const QString label = QStringLiteral("%1:%2").arg(ip).arg(LocalPort(fd));
        for (int i = 0; i < Children(); ++i)
            if (Child(i)->text(0) == label)
                return Child(i);
        return nullptr;
    }
    void Reply(const QString& text) {
        Type(text);
        Click(kSend);
    }
    int port_ = 0;
};

TEST_F(UdpServerPageTest, InitialButtonsAndLayout) {
    Open<pages::CUdpServerDlg>();
    EXPECT_EQ(page_->objectName(), "page140");
    EXPECT_NE(page_->findChild<QWidget*>(ui::ControlName(kTree)), nullptr);
    EXPECT_TRUE(Enabled(kCreate));
    EXPECT_FALSE(Enabled(kStartReceive));
    EXPECT_FALSE(Enabled(kStopReceive));
    EXPECT_FALSE(Enabled(kDelete));
    EXPECT_TRUE(Enabled(kSend) && Enabled(kClearReceived) && Enabled(kClearSent));
    // Top row: one gap (tree client width / 4 / 2 + 4) between neighbours.
    const int gap = Tree()->contentsRect().width() / 4 / 2 + 4;
    EXPECT_EQ(page_->Button(kCreate)->geometry(), QRect(14, 5, 51, 24));
    EXPECT_EQ(page_->Button(kStartReceive)->geometry().x(), 65 + gap);
    EXPECT_EQ(page_->Button(kDelete)->geometry().x(), 14 + 3 * (51 + gap));
    const QRect box = page_->SendBox()->geometry();
    EXPECT_EQ(page_->Button(kSend)->geometry(),
              QRect(QPoint(box.x() + box.width() - 61, box.y() - 26),
                    QPoint(box.x() + box.width() - 11, box.y() - 3)));
}

TEST_F(UdpServerPageTest, TwoPeersGetOneRecordEachAndRepliesReachTheRightOne) {
    Start();
    const int a = Peer(0, "127.0.0.1");
    const int b = Peer(0, "127.0.0.2");
    ASSERT_TRUE(UdpSendTo(a, "from a", port_));
    ASSERT_TRUE(Eventually([&] { return PeerNode(a, "127.0.0.1"); }));
    ASSERT_TRUE(UdpSendTo(b, "from b", port_));
    ASSERT_TRUE(UdpSendTo(a, "a again", port_));
    ASSERT_TRUE(Eventually([&] {
        return PeerNode(b, "127.0.0.2") && Record(PeerNode(a, "127.0.0.1"))->nRecvBytes == 13;
    }));
    EXPECT_EQ(Children(), 2);
    pages::TreeNode* nodeA = PeerNode(a, "127.0.0.1");
    pages::TreeNode* nodeB = PeerNode(b, "127.0.0.2");
    EXPECT_TRUE(Eventually([&] { return Image(nodeA) == 5 && Image(nodeB) == 5; }));

    ClickItem(nodeB);
    EXPECT_EQ(Image(nodeB), 3);
    EXPECT_TRUE(Received().contains("from b"));
    EXPECT_FALSE(Received().contains("from a"));
    EXPECT_TRUE(Enabled(kDelete));
    EXPECT_FALSE(Enabled(kStartReceive) || Enabled(kStopReceive));

    Reply("to b   ");
    EXPECT_EQ(Recv(b), "to b");  // trailing blanks are not sent
    EXPECT_TRUE(Sent().contains("to b"));
    EXPECT_TRUE(page_->SendBox()->toPlainText().isEmpty());
    // The next datagram a gets is its own reply: b's never went to a.
    ClickItem(nodeA);
    EXPECT_TRUE(Received().contains("from a") && Received().contains("a again"));
    Reply("to a");
    EXPECT_EQ(Recv(a), "to a");
    // Data for the selected peer is appended to its view.
    ASSERT_TRUE(UdpSendTo(a, "third", port_));
    EXPECT_TRUE(Eventually([&] { return Received().contains("third"); }));
    EXPECT_EQ(Image(nodeA), 3);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UdpServerPageTest, StopAndStartTurnPeerIcons) {
    Start();
    const int a = Peer(0, "127.0.0.1");
    const int b = Peer(0, "127.0.0.2");
    ASSERT_TRUE(UdpSendTo(a, "a", port_));
    ASSERT_TRUE(UdpSendTo(b, "b", port_));
    ASSERT_TRUE(
        Eventually([&] { return Children() == 2 && Image(PeerNode(b, "127.0.0.2")) == 5; }));
    pages::TreeNode* nodeA = PeerNode(a, "127.0.0.1");
    pages::TreeNode* nodeB = PeerNode(b, "127.0.0.2");
    ASSERT_TRUE(Eventually([&] { return Image(nodeA) == 5; }));
    ClickItem(nodeB);  // read: b has nothing unread, a has

    ClickItem(Root());
    EXPECT_TRUE(Enabled(kStopReceive));
    EXPECT_FALSE(Enabled(kStartReceive));
    Click(kStopReceive);
    EXPECT_EQ(Image(Root()), 0);
    EXPECT_EQ(Image(nodeA), 4);
    EXPECT_EQ(Image(nodeB), 2);
    EXPECT_TRUE(Enabled(kStartReceive));
    EXPECT_FALSE(Enabled(kStopReceive));

    // A stopped server has no socket to answer with.
    ClickItem(nodeB);
    Reply("while stopped");
    EXPECT_TRUE(LastMessage("发送出错！", "提示"));
    EXPECT_EQ(page_->SendBox()->toPlainText(), "while stopped");

    ClickItem(Root());
    Click(kStartReceive);
    EXPECT_EQ(Image(Root()), 1);
    EXPECT_EQ(Image(nodeA), 5);
    EXPECT_EQ(Image(nodeB), 3);
    ClickItem(nodeB);
    Reply("running again");
    EXPECT_EQ(Recv(b), "running again");
    // And the port receives again.
    ASSERT_TRUE(UdpSendTo(a, "after restart", port_));
    ClickItem(nodeA);
    EXPECT_TRUE(Eventually([&] { return Received().contains("after restart"); }));
}

TEST_F(UdpServerPageTest, OnlyALeftClickSelectsAPeer) {
    Start();
    const int a = Peer(0, "127.0.0.1");
    const int b = Peer(0, "127.0.0.2");
    ASSERT_TRUE(UdpSendTo(a, "from a", port_));
    ASSERT_TRUE(UdpSendTo(b, "from b", port_));
    ASSERT_TRUE(Eventually([&] { return PeerNode(a, "127.0.0.1") && PeerNode(b, "127.0.0.2"); }));
    pages::TreeNode* nodeA = PeerNode(a, "127.0.0.1");
    pages::TreeNode* nodeB = PeerNode(b, "127.0.0.2");
    // The data news follows each new peer's node: wait until both are marked unread.
    ASSERT_TRUE(Eventually([&] { return Image(nodeA) == 5 && Image(nodeB) == 5; }));
    ClickItem(nodeA);
    ASSERT_TRUE(Received().contains("from a"));

    // Right and middle clicks, single and double, on the other peer and on the root: what is
    // shown and what Send acts on stay with a.
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        for (pages::TreeNode* item : {nodeB, Root()}) {
            const QPoint at = Tree()->visualItemRect(item).center();
            QTest::mouseClick(Tree()->viewport(), button, {}, at);
            QTest::mouseDClick(Tree()->viewport(), button, {}, at);
            ProcessEvents();
            EXPECT_EQ(Tree()->currentItem(), nodeA) << button;
            EXPECT_TRUE(Tree()->selectedItems() == QList<pages::TreeNode*>{nodeA}) << button;
        }
    }
    EXPECT_TRUE(Received().contains("from a"));
    EXPECT_EQ(Image(nodeB), 5);  // b was never refreshed as read
    Reply("to a");
    EXPECT_EQ(Recv(a), "to a");

    ClickItem(nodeB);
    EXPECT_EQ(Tree()->currentItem(), nodeB);
    EXPECT_TRUE(Received().contains("from b"));
    EXPECT_EQ(Image(nodeB), 3);
}

TEST_F(UdpServerPageTest, DataShownLiveInTheSelectedViewCountsAsRead) {
    Start();
    const int a = Peer(0, "127.0.0.1");
    const int b = Peer(0, "127.0.0.2");
    ASSERT_TRUE(UdpSendTo(a, "first", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    pages::TreeNode* nodeA = PeerNode(a, "127.0.0.1");
    ClickItem(nodeA);
    ASSERT_TRUE(UdpSendTo(a, "live", port_));
    ASSERT_TRUE(Eventually([&] { return Received().contains("live"); }));
    ASSERT_TRUE(UdpSendTo(b, "other", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 2; }));
    EXPECT_EQ(Tree()->currentItem(), nodeA);

    // Stop receiving: a, read as it came, shows no unread mark; b does.
    ClickItem(Root());
    Click(kStopReceive);
    EXPECT_EQ(Image(nodeA), 2);
    EXPECT_EQ(Image(PeerNode(b, "127.0.0.2")), 4);

    // The peer's end after live data: closed, nothing unread.
    Click(kStartReceive);
    ClickItem(nodeA);
    ASSERT_TRUE(UdpSendTo(a, "last words", port_));
    ASSERT_TRUE(Eventually([&] { return Received().contains("last words"); }));
    ASSERT_TRUE(UdpSendTo(a, "", port_));
    EXPECT_TRUE(Eventually([&] { return Image(nodeA) == 2; }));
    ProcessEvents();
    EXPECT_EQ(Image(nodeA), 2);
    // Delete stays enabled for the selected peer when a peer ends.
    EXPECT_TRUE(Enabled(kDelete));
}

TEST_F(UdpServerPageTest, EmptyDatagramClosesThePeerButNotTheServer) {
    Start();
    const int a = Peer(0, "127.0.0.1");
    const int b = Peer(0, "127.0.0.2");
    ASSERT_TRUE(UdpSendTo(a, "hello", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 1 && Image(Child(0)) == 5; }));
    ASSERT_TRUE(UdpSendTo(a, "", port_));
    EXPECT_TRUE(Eventually([&] { return Image(Child(0)) == 4; }));  // closed, still unread
    ClickItem(Child(0));
    ASSERT_TRUE(UdpSendTo(a, "", port_));
    ProcessEvents();
    ASSERT_TRUE(UdpSendTo(b, "still there?", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 2; }));
    EXPECT_TRUE(Eventually([&] { return Image(Child(0)) == 2; }));
    // The closed peer can still be answered: the server socket sends.
    Reply("answer");
    EXPECT_EQ(Recv(a), "answer");
    ASSERT_TRUE(UdpSendTo(a, "back", port_));
    EXPECT_TRUE(Eventually([&] { return Received().contains("back"); }));
    EXPECT_EQ(Children(), 2);
}

TEST_F(UdpServerPageTest, DeleteThenTheNextDatagramMakesAFreshRecord) {
    Start();
    const int a = Peer();
    ASSERT_TRUE(UdpSendTo(a, "old text", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    ClickItem(Child(0));
    ASSERT_TRUE(Eventually([&] { return Received().contains("old text"); }));
    Click(kDelete);
    EXPECT_EQ(Children(), 0);
    EXPECT_EQ(Tree()->currentItem(), Root());
    EXPECT_FALSE(Enabled(kDelete));
    EXPECT_TRUE(Received().isEmpty());

    ASSERT_TRUE(UdpSendTo(a, "new text", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    ClickItem(Child(0));
    EXPECT_TRUE(Eventually([&] { return Received().contains("new text"); }));
    EXPECT_FALSE(Received().contains("old text"));
}

TEST_F(UdpServerPageTest, ClearCommandsEmptyTheSelectedPeersLogs) {
    Start();
    const int a = Peer();
    ASSERT_TRUE(UdpSendTo(a, "x", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    ClickItem(Child(0));
    Reply("y");
    ASSERT_EQ(Recv(a), "y");
    Click(kClearReceived);
    Click(kClearSent);
    ConnectInfo* rec = Record(Child(0));
    EXPECT_TRUE(rec->strRecv.empty() && rec->strSent.empty());
    EXPECT_EQ(rec->nRecvBytes + rec->nRecvBytesAll + rec->nSentBytes, 0u);
    EXPECT_TRUE(Received().isEmpty() && Sent().isEmpty());
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UdpServerPageTest, MessagesForCommandsWithoutAPeer) {
    Start();
    ClickItem(Root());
    Type("hi");
    Click(kSend);
    EXPECT_TRUE(LastMessage("请选择接收端！", "提示!"));
    Click(kClearReceived);
    EXPECT_TRUE(LastMessage("未选择要清除的连接", "提示"));
    Click(kClearSent);
    EXPECT_TRUE(LastMessage("未选择要清除的连接", "提示"));
    EXPECT_EQ(messages_.size(), 3u);
}

// The real message box, not the recorder: its one button reads as every other button does.
TEST_F(UdpServerPageTest, MessageBoxButtonIsChinese) {
    Open<pages::CUdpServerDlg>();
    ui::SetMessageRecorder(nullptr);
    QStringList buttons;
    QString text;
    int tries = 0;
    std::function<void()> look = [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr && ++tries < 200) {
            QTimer::singleShot(10, look);
            return;
        }
        ASSERT_NE(box, nullptr);
        if (auto* label = box->findChild<QLabel*>("qt_msgbox_label"))
            text = label->text();
        for (auto* b : box->findChildren<QAbstractButton*>())
            if (b->isVisible())
                buttons << b->text();
        box->close();
    };
    QTimer::singleShot(0, look);
    Click(kClearReceived);
    ui::SetMessageRecorder(&messages_);
    EXPECT_EQ(text, "未选择要清除的连接");
    EXPECT_EQ(buttons, QStringList{"确定"});
}

TEST_F(UdpServerPageTest, PortPromptRefusesBadPortsAndCancelChangesNothing) {
    Open<pages::CUdpServerDlg>();
    bool open = false;
    AnswerPrompt({{kBoxPort, "70000"}}, &open);
    Click(kCreate);
    EXPECT_TRUE(open);
    EXPECT_TRUE(LastMessage("输入的端口号有错！", "提示"));
    AnswerPrompt({{kBoxPort, "4294967297"}}, &open);  // wraps to 1 in 32 bits
    Click(kCreate);
    EXPECT_TRUE(open);
    EXPECT_EQ(messages_.size(), 2u);
    AnswerPrompt({{kBoxPort, "0"}}, &open);
    Click(kCreate);
    EXPECT_FALSE(open);
    EXPECT_EQ(Root()->text(0), "127.0.0.1");
    EXPECT_EQ(Image(Root()), 0);
}

TEST_F(UdpServerPageTest, PortInUseLeavesTheServerStoppedUntilStartSucceeds) {
    Open<pages::CUdpServerDlg>();
    PeerSocket blocker(UdpBind(0, "0.0.0.0"));
    ASSERT_GE(blocker, 0);
    port_ = LocalPort(blocker);
    AnswerPrompt({{kBoxPort, QString::number(port_)}});
    Click(kCreate);
    EXPECT_TRUE(LastMessage("监听启动失败\n原因: 地址或端口已被占用", "错误！"));
    EXPECT_EQ(Root()->text(0), QStringLiteral("127.0.0.1:%1").arg(port_));
    EXPECT_EQ(Image(Root()), 0);
    EXPECT_TRUE(Enabled(kStartReceive));
    EXPECT_FALSE(Enabled(kStopReceive));
    blocker.Close();
    Click(kStartReceive);
    EXPECT_EQ(Image(Root()), 1);
    EXPECT_FALSE(Enabled(kStartReceive));
    // The port stays once set.
    AnswerPrompt({{kBoxPort, "1234"}});
    Click(kCreate);
    EXPECT_EQ(Root()->text(0), QStringLiteral("127.0.0.1:%1").arg(port_));
    EXPECT_EQ(messages_.size(), 1u);
}

// Thousands of senders in a burst: each gets one node, in the order of their first datagrams,
// marked open with unread data; a peer deleted meanwhile comes back as one fresh node.
TEST_F(UdpServerPageTest, ABurstOfNewSendersArrivesInFirstDatagramOrder) {
    constexpr int kSenders = 5000;
    constexpr int kRound = 1000;  // sent before the page looks, so its news comes in batches
    Start();
    EXPECT_TRUE(Tree()->uniformRowHeights());
    const int again = Peer(0, "127.4.0.1");
    ASSERT_TRUE(UdpSendTo(again, "first", port_));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    ClickItem(Child(0));
    Click(kDelete);
    ASSERT_EQ(Children(), 0);

    QStringList expected;
    for (int i = 0; i < kSenders; ++i) {
        if (i == kSenders / 2) {  // the deleted peer speaks again in the middle of a batch
            ASSERT_TRUE(UdpSendTo(again, "again", port_));
            expected << QStringLiteral("127.4.0.1:%1").arg(LocalPort(again));
        }
        const QString ip = QStringLiteral("127.5.%1.%2").arg(i / 250).arg(1 + i % 250);
        const int s = UdpBind(0, ip.toLatin1().constData());
        ASSERT_GE(s, 0) << ip.toStdString();
        expected << QStringLiteral("%1:%2").arg(ip).arg(LocalPort(s));
        ASSERT_TRUE(UdpSendTo(s, "x", port_));
        CloseFd(s);
        if ((i + 1) % kRound == 0) {
            ASSERT_TRUE(Eventually([&] { return Children() >= expected.size(); }));
        }
    }
    ASSERT_TRUE(Eventually([&] { return Children() >= expected.size(); }));
    ProcessEvents();
    ASSERT_EQ(Children(), expected.size());
    int wrongOrder = 0;
    for (int i = 0; i < Children(); ++i) {
        wrongOrder += Child(i)->text(0) != expected[i];
        EXPECT_EQ(Record(Child(i))->hItem, Child(i));
    }
    EXPECT_EQ(wrongOrder, 0);
    EXPECT_TRUE(Eventually([&] {
        int wrongIcon = 0;
        for (int i = 0; i < Children(); ++i)
            wrongIcon += Image(Child(i)) != 5;
        return wrongIcon == 0;
    }));
    ClickItem(Child(kSenders / 2));
    EXPECT_TRUE(Received().contains("again"));
    EXPECT_FALSE(Received().contains("first"));
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace quillet::test
