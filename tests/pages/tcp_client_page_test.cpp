// The TCP client page against plain listening sockets on 127.0.0.1: the target prompt, creating,
// connecting without blocking, the icons and button states, both directions of data,
// disconnecting and connecting again, many connections from one prompt, deleting, teardown.
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>

#include <atomic>
#include <thread>

#include "pages/prompts/dlg_set_ip.h"
#include "pages/tcp_client_dlg.h"
#include "tests/pages/tcp_page_fixture.h"

namespace quillet::test {
namespace {

using pages::CTcpClientDlg;

using enum CTcpClientDlg::ControlId;
using enum pages::CDlgSetIp::ControlId;

class TcpClientPageTest : public TcpPageTest<CTcpClientDlg> {
protected:
    void TearDown() override {
        page_.reset();
        if (listener_ >= 0)
            CloseFd(listener_);
        TcpPageTest::TearDown();
    }
    // A listening peer; its port.
    int Serve() {
        listener_ = TcpListen(&port_);
        return port_;
    }
    void Create(const QString& address, int port, int count = 1) {
        ScriptPrompt({{kBoxAddress, address},
                      {kBoxPort, QString::number(port)},
                      {kBoxCount, QString::number(count)}});
        Press(kCreate);
    }
    bool Connected(pages::TreeNode* node) {
        return Eventually([&] { return Rec(node)->sock != -1 && Icon(node) % 2 == 1; });
    }
    QString Target() const { return QString("127.0.0.1:%1").arg(port_); }

    int listener_ = -1;
    int port_ = 0;
};

TEST_F(TcpClientPageTest, StartsWithItsControlsLaidOutAndConnectionButtonsDisabled) {
    EXPECT_EQ(page_->objectName(), "page130");
    EXPECT_EQ(page_->palette().color(QPalette::Window), QColor(200, 220, 240));
    EXPECT_EQ(Tree()->objectName(), ui::ControlName(kTree));
    EXPECT_EQ(Root()->text(0), "127.0.0.1");
    QStringList groups;
    for (auto* g : page_->findChildren<QGroupBox*>())
        groups << g->title();
    EXPECT_TRUE(groups.contains("已发送的信息"));
    const int gap = Tree()->viewport()->width() / 8 + 4;
    const int ids[] = {kCreate, kConnect, kDisconnect, kDelete};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(page_->Button(ids[i])->geometry(), QRect(14 + i * (51 + gap), 5, 51, 24)) << i;
    const QRect box = page_->SendBox()->geometry();
    EXPECT_EQ(page_->Button(kSend)->geometry(),
              QRect(box.right() + 1 - 61, box.top() - 26, 51, 24));
    for (int id : {int(kConnect), int(kDisconnect), int(kDelete)})
        EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {int(kCreate), int(kSend), int(kClearReceived), int(kClearSent)})
        EXPECT_TRUE(Enabled(id)) << id;
    QTest::keyClick(page_.get(), Qt::Key_Escape);
    EXPECT_TRUE(page_->isVisible());
}

TEST_F(TcpClientPageTest, PromptOffersTheAdapterThenTheLastTarget) {
    QStringList seen;
    ui::SetModalScript([&](QDialog* dlg) {
        EXPECT_EQ(dlg->objectName(), "dialog139");
        EXPECT_EQ(dlg->windowTitle(), "请输入对方地址");
        EXPECT_EQ(dlg->palette().color(QPalette::Window), QColor(232, 243, 250));
        for (int id : {kBoxAddress, kBoxPort, kBoxCount})
            seen << dlg->findChild<QLineEdit*>(ui::ControlName(id))->text();
        dlg->findChild<QLineEdit*>(ui::ControlName(kBoxAddress))
            ->setText("localhost");  // a name: its address is kept
        dlg->findChild<QPushButton*>(ui::ControlName(pages::CPromptDlg::kOk))->click();
        EXPECT_TRUE(Eventually([&] { return !dlg->isVisible(); }));  // looked up meanwhile
    });
    Press(kCreate);
    Press(kCreate);
    EXPECT_EQ(seen, QStringList({"127.0.0.1", "8888", "1", "127.0.0.1", "8888", "1"}));
    EXPECT_EQ(page_->LastTarget(), "127.0.0.1");
    ASSERT_EQ(Root()->childCount(), 2);
    EXPECT_EQ(Child(0)->text(0), "127.0.0.1:8888");
    EXPECT_EQ(Child(1)->text(0), Child(0)->text(0));  // same target, two records
    EXPECT_NE(Rec(Child(0))->nId, Rec(Child(1))->nId);
}

TEST_F(TcpClientPageTest, PromptRefusesBadPortsAndCounts) {
    const std::pair<std::map<int, QString>, QString> refused[] = {
        {{{kBoxPort, "65536"}}, "输入的端口号有错！"},
        {{{kBoxPort, "99999999999"}}, "输入的端口号有错！"},
        {{{kBoxCount, "5001"}}, "连接数量不能超过5000！"},
        {{{kBoxCount, "99999999999"}}, "连接数量不能超过5000！"},
    };
    for (auto& [fields, text] : refused) {
        ScriptPrompt(fields);
        Press(kCreate);
        EXPECT_TRUE(stayedOpen_) << text.toStdString();
        EXPECT_TRUE(HasMessage(text, "提示")) << text.toStdString();
        messages_.clear();
    }
    for (const char* nothing : {"", "0", "-1", "abc"}) {
        ScriptPrompt({{kBoxPort, nothing}});
        Press(kCreate);
    }
    ScriptPrompt({}, false);
    Press(kCreate);
    EXPECT_EQ(Root()->childCount(), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TcpClientPageTest, BadAddressesKeepThePromptOpenAndCreateNothing) {
    const QString tooLong = QString("a").repeated(30) + ".invalid.x";  // 40 characters
    for (const QString& address : {QString("1 27.0.0.1"), QString("127. 0.0.1"), tooLong,
                                   QString("no-such-host.invalid"), QString("255.255.255.255")}) {
        Create(address, 7000);
        EXPECT_TRUE(stayedOpen_) << address.toStdString();
        EXPECT_TRUE(HasMessage("Ip 地址有错!", ui::AppTitle())) << address.toStdString();
        EXPECT_EQ(messages_.size(), 1u) << address.toStdString();
        messages_.clear();
    }
    EXPECT_EQ(Root()->childCount(), 0);
    // A good address in the next prompt still creates its node.
    Create("127.0.0.1", 7000);
    EXPECT_FALSE(stayedOpen_);
    ASSERT_EQ(Root()->childCount(), 1);
    EXPECT_EQ(Child(0)->text(0), "127.0.0.1:7000");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(TcpClientPageTest, ConnectsExchangesDisconnectsAndConnectsAgain) {
    Create("127.0.0.1", Serve());
    pages::TreeNode* node = Child(0);
    EXPECT_EQ(node->text(0), Target());
    EXPECT_EQ(Tree()->currentItem(), node);
    EXPECT_EQ(Icon(node), 2);
    EXPECT_TRUE(Enabled(kConnect) && Enabled(kDelete));
    EXPECT_FALSE(Enabled(kDisconnect));

    Press(kConnect);
    ASSERT_TRUE(Connected(node));
    PeerSocket server(TcpAccept(listener_));
    ASSERT_GE(server, 0);
    sockaddr_in local{};
    socklen_t len = sizeof local;
    getsockname(Rec(node)->sock, reinterpret_cast<sockaddr*>(&local), &len);
    const QString first = QString("127.0.0.1:%1<->%2").arg(ntohs(local.sin_port)).arg(Target());
    EXPECT_EQ(node->text(0), first);
    EXPECT_EQ(Icon(node), 3);
    EXPECT_TRUE(Enabled(kDisconnect));
    EXPECT_FALSE(Enabled(kConnect));

    Type("ping");
    Press(kSend);
    EXPECT_EQ(RecvExactly(server, 4), "ping");
    ASSERT_TRUE(SendAll(server, "pong"));
    EXPECT_TRUE(Eventually([&] { return Received().contains(LogLine("pong")); }));

    Press(kDisconnect);
    EXPECT_TRUE(WaitPeerClosed(server));
    EXPECT_EQ(Icon(node), 2);
    EXPECT_TRUE(Enabled(kConnect));
    Press(kConnect);
    ASSERT_TRUE(Connected(node));
    PeerSocket again(TcpAccept(listener_));
    EXPECT_TRUE(node->text(0).endsWith("<->" + Target()));
    EXPECT_NE(node->text(0), first);
    EXPECT_EQ(node->text(0).count("<->"), 1);
    EXPECT_TRUE(Received().contains(LogLine("pong")));  // logs survive a reconnect
    EXPECT_TRUE(Sent().contains(LogLine("ping")));
    server.Close();
    again.Close();
}

TEST_F(TcpClientPageTest, ServerClosingMarksTheNodeAndOffersConnectWhateverIsSelected) {
    Create("127.0.0.1", Serve());
    Create("127.0.0.1", port_);
    ClickItem(Child(0));
    Press(kConnect);
    ASSERT_TRUE(Connected(Child(0)));
    PeerSocket a(TcpAccept(listener_));
    ClickItem(Child(1));
    Press(kConnect);
    ASSERT_TRUE(Connected(Child(1)));
    PeerSocket b(TcpAccept(listener_));

    ASSERT_TRUE(SendAll(a, "unread"));  // a is not selected
    ASSERT_TRUE(Eventually([&] { return Icon(Child(0)) == 5; }));
    ASSERT_TRUE(SendAll(b, "seen"));  // b is: its view follows, its mark stays set
    ASSERT_TRUE(Eventually([&] { return Received().contains(LogLine("seen")); }));
    ClickItem(Root());
    EXPECT_FALSE(Enabled(kConnect) || Enabled(kDisconnect) || Enabled(kDelete));
    a.Close();
    EXPECT_TRUE(Eventually([&] { return Icon(Child(0)) == 4; }));
    EXPECT_TRUE(Enabled(kConnect) && Enabled(kDelete));
    EXPECT_FALSE(Enabled(kDisconnect));
    ClickItem(Child(1));
    b.Close();
    EXPECT_TRUE(Eventually([&] { return Icon(Child(1)) == 2 && Rec(Child(1))->sock == -1; }));
}

TEST_F(TcpClientPageTest, RefusedConnectTellsTheUserAndLeavesTheNodeAsItWas) {
    const int port = FreeTcpPort();
    Create("127.0.0.1", port);
    Press(kConnect);
    EXPECT_TRUE(Eventually([&] { return !messages_.empty(); }));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(HasMessage("客户端连接失败!\n原因: 对方拒绝连接", ui::AppTitle()));
    EXPECT_EQ(Rec(Child(0))->sock, -1);
    EXPECT_EQ(Icon(Child(0)), 2);
    EXPECT_EQ(Child(0)->text(0), QString("127.0.0.1:%1").arg(port));
    EXPECT_TRUE(Enabled(kConnect));
}

TEST_F(TcpClientPageTest, PendingConnectIgnoresASecondConnectAndDeleteCancelsIt) {
    Create("127.0.0.1", Serve());
    page_->Button(kConnect)->click();
    page_->Button(kConnect)->click();
    EXPECT_EQ(page_->PendingConnects(), 1u);
    ASSERT_TRUE(Connected(Child(0)));
    PeerSocket first(TcpAccept(listener_));
    EXPECT_GE(first, 0);
    fcntl(listener_, F_SETFL, O_NONBLOCK);  // one connect, one connection
    EXPECT_LT(accept(listener_, nullptr, nullptr), 0);

    Create("127.0.0.1", port_);
    Create("127.0.0.1", port_);
    ClickItem(Child(1));
    // Connect and Delete in one go: the connect is still pending when the node goes.
    page_->Button(kConnect)->click();
    ASSERT_EQ(page_->PendingConnects(), 1u);
    page_->Button(kDelete)->click();
    EXPECT_EQ(page_->PendingConnects(), 0u);
    EXPECT_EQ(Root()->childCount(), 2);
    ClickItem(Child(1));
    page_->Button(kConnect)->click();
    ASSERT_EQ(page_->PendingConnects(), 1u);
    page_.reset();  // teardown with a connect pending
    EXPECT_TRUE(messages_.empty());
    first.Close();
}

TEST_F(TcpClientPageTest, OnePromptMakesManyConnections) {
    Create("127.0.0.1", Serve(), 5);
    ASSERT_EQ(Root()->childCount(), 5);
    EXPECT_EQ(Tree()->currentItem(), Child(4));
    EXPECT_TRUE(Eventually([&] {
        for (int i = 0; i < 5; ++i)
            if (Rec(Child(i))->sock == -1 || !Child(i)->text(0).contains("<->"))
                return false;
        return true;
    }));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Icon(Child(i)), 3) << i;
    int accepted[5];
    for (int& fd : accepted)
        EXPECT_GE(fd = TcpAccept(listener_), 0);
    for (int fd : accepted)
        CloseFd(fd);
    EXPECT_TRUE(Eventually([&] { return Icon(Child(0)) == 2 && Icon(Child(4)) == 2; }));

    const int closedPort = FreeTcpPort();  // failures of a batch are told once
    Create("127.0.0.1", closedPort, 3);
    EXPECT_TRUE(Eventually([&] { return page_->PendingConnects() == 0 && !messages_.empty(); }));
    ProcessEvents();
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(HasMessage("客户端连接失败!\n原因: 对方拒绝连接", ui::AppTitle()));
    EXPECT_EQ(Root()->childCount(), 8);
}

TEST_F(TcpClientPageTest, EveryRefusalHasItsMessage) {
    Press(kSend);
    ClickItem(Root());
    Press(kSend);
    Press(kClearReceived);
    Press(kClearSent);
    EXPECT_EQ(messages_.size(), 4u);
    EXPECT_TRUE(HasMessage("请选择接收端！", "提示!"));
    EXPECT_TRUE(HasMessage("未选择要清除的连接", "提示"));
    messages_.clear();
    Create("127.0.0.1", 9);
    Type("x");
    Press(kSend);
    EXPECT_TRUE(HasMessage("未建立链接！", "提示!"));
}

TEST_F(TcpClientPageTest, DeleteWhileTheServerFloodsAndTeardownCloseConnections) {
    Create("127.0.0.1", Serve());
    Create("127.0.0.1", port_);
    ClickItem(Child(0));
    Press(kConnect);
    ASSERT_TRUE(Connected(Child(0)));
    PeerSocket flooder(TcpAccept(listener_));
    ClickItem(Child(1));
    Press(kConnect);
    ASSERT_TRUE(Connected(Child(1)));
    PeerSocket quiet(TcpAccept(listener_));
    ClickItem(Child(0));
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        const std::string chunk(1000, 'f');
        for (int i = 0; i < 100000 && !stop; ++i)
            if (send(flooder, chunk.data(), chunk.size(), MSG_NOSIGNAL) <= 0)
                break;
    });
    EXPECT_TRUE(Eventually([&] { return Received().size() > 20000; }));
    Press(kDelete);
    stop = true;
    flood.join();
    EXPECT_TRUE(WaitPeerClosed(flooder));
    ASSERT_EQ(Root()->childCount(), 1);
    page_.reset();
    EXPECT_TRUE(WaitPeerClosed(quiet));
    flooder.Close();
    quiet.Close();
}

}  // namespace
}  // namespace quillet::test
