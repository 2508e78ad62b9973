// The UDP client page on loopback: endpoints exchanging datagrams with a plain socket, the
// address prompt's checks and defaults, several clients from one prompt, and the messages.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>

#include <condition_variable>
#include <mutex>

#include "engine/name_resolver.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "pages/udp_client_dlg.h"
#include "tests/pages/udp_page_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using enum pages::CUdpClientDlg::ControlId;
using enum pages::CSetUdpServerIp::ControlId;

class UdpClientPageTest : public UdpPageTest {
protected:
    void SetUp() override {
        UdpPageTest::SetUp();
        Open<pages::CUdpClientDlg>();
    }
    // Creates clients through the prompt; returns whether it stayed open.
    bool Create(const QString& address, int peerPort, int localPort, const QString& count = "1") {
        bool open = false;
        AnswerPrompt({{kBoxAddress, address},
                      {kBoxPeerPort, QString::number(peerPort)},
                      {kBoxLocalPort, QString::number(localPort)},
                      {kBoxCount, count}},
                     &open);
        Click(kCreate);
        return open;
    }
    static QString Label(int local, const QString& peer, int peerPort) {
        return QStringLiteral("127.0.0.1:%1<->%2:%3").arg(local).arg(peer).arg(peerPort);
    }
};

TEST_F(UdpClientPageTest, ButtonsOfTheFullLayout) {
    EXPECT_EQ(page_->objectName(), "page141");
    EXPECT_NE(page_->findChild<QWidget*>(ui::ControlName(kTree)), nullptr);
    const int gap = Tree()->contentsRect().width() / 2 / 2 + 155;
    EXPECT_EQ(page_->Button(kCreate)->geometry(), QRect(14, 5, 51, 24));
    EXPECT_EQ(page_->Button(kDelete)->geometry(), QRect(65 + gap, 5, 51, 24));
    EXPECT_FALSE(Enabled(kDelete));
    ASSERT_NE(page_->Button(kClearReceived), nullptr);
    const QRect sent = page_->SentView()->geometry();
    EXPECT_EQ(page_->Button(kClearSent)->geometry().top(), sent.top() - 26);
    EXPECT_TRUE(Enabled(kCreate) && Enabled(kSend) && Enabled(kClearReceived) &&
                Enabled(kClearSent));
}

TEST_F(UdpClientPageTest, PromptBoxesSitInTheirPlaces) {
    ExpectAddressPromptPlaces(PromptPlaces(kCreate));
    EXPECT_EQ(Children(), 0);
}

TEST_F(UdpClientPageTest, ExchangesDatagramsWithAPlainPeer) {
    const int peer = Peer();
    const int peerPort = LocalPort(peer);
    const int local = FreeUdpPort();
    std::map<int, QString> offered;
    AnswerPrompt(
        {{kBoxPeerPort, QString::number(peerPort)}, {kBoxLocalPort, QString::number(local)}},
        nullptr, &offered);
    Click(kCreate);
    // Defaults: the first adapter's address, 8888, 6666, 1.
    EXPECT_EQ(offered[kBoxAddress], "127.0.0.1");
    EXPECT_EQ(offered[kBoxPeerPort], "8888");
    EXPECT_EQ(offered[kBoxLocalPort], "6666");
    EXPECT_EQ(offered[kBoxCount], "1");
    ASSERT_EQ(Children(), 1);
    pages::TreeNode* client = Child(0);
    EXPECT_EQ(client->text(0), Label(local, "127.0.0.1", peerPort));
    EXPECT_EQ(Image(client), 2);
    EXPECT_EQ(Tree()->currentItem(), client);
    EXPECT_TRUE(Enabled(kDelete));

    Type("ping  ");
    Click(kSend);
    sockaddr_in from{};
    EXPECT_EQ(Recv(peer, &from), "ping");
    EXPECT_EQ(ntohs(from.sin_port), local);
    EXPECT_TRUE(Sent().contains("ping"));

    ASSERT_TRUE(UdpSendTo(peer, "pong", local));
    EXPECT_TRUE(Eventually([&] { return Received().contains("pong"); }));
    EXPECT_EQ(Image(client), 2);

    ClickItem(Root());
    EXPECT_FALSE(Enabled(kDelete));
    EXPECT_TRUE(Received().isEmpty() && Sent().isEmpty());
    ASSERT_TRUE(UdpSendTo(peer, "unseen", local));
    EXPECT_TRUE(Eventually([&] { return Image(client) == 5; }));
    ClickItem(client);
    EXPECT_EQ(Image(client), 2);
    EXPECT_TRUE(Received().contains("pong") && Received().contains("unseen"));
    EXPECT_TRUE(messages_.empty());
}

// Ctrl+Enter, a one-off hex send and a saved message take the Send button's path here too.
TEST_F(UdpClientPageTest, KeysAndSavedMessagesSendLikeTheSendButton) {
    const int peer = Peer();
    const int local = FreeUdpPort();
    EXPECT_FALSE(Create("127.0.0.1", LocalPort(peer), local));
    ASSERT_EQ(Tree()->currentItem(), Child(0));
    Type("ping");
    QTest::keyClick(page_->SendBox(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Recv(peer), "ping");
    Type("70 6F");
    QTest::keyClick(page_->SendBox(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Recv(peer), "po");
    page_->Sending()->SendTextToSelected(u"6E 67", pages::SendForm::kHex, pages::LineEnding::kNone);
    EXPECT_EQ(Recv(peer), "ng");
    EXPECT_TRUE(Sent().contains("ping"));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UdpClientPageTest, LocalPortOfThisPageIsRefusedAndTheAddressRemembered) {
    const int peerPort = LocalPort(Peer());
    const int local = FreeUdpPort();
    EXPECT_FALSE(Create("127.0.0.3", peerPort, local));
    ASSERT_EQ(Children(), 1);
    std::map<int, QString> offered;
    bool open = false;
    AnswerPrompt({{kBoxLocalPort, QString::number(local)}}, &open, &offered);
    Click(kCreate);
    EXPECT_EQ(offered[kBoxAddress], "127.0.0.3");
    EXPECT_TRUE(open);
    EXPECT_TRUE(LastMessage("本地端口已经被占用!", ui::AppTitle()));
    EXPECT_EQ(Children(), 1);

    // Deleting frees the port at once.
    ClickItem(Child(0));
    Click(kDelete);
    EXPECT_EQ(Children(), 0);
    EXPECT_FALSE(Enabled(kDelete));
    EXPECT_FALSE(Create("127.0.0.1", peerPort, local));
    EXPECT_EQ(Children(), 1);
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(UdpClientPageTest, PortTakenByAnotherProgramFailsAtBind) {
    const int other = Peer();
    EXPECT_FALSE(Create("127.0.0.1", 9, LocalPort(other)));
    EXPECT_TRUE(LastMessage("绑定本地端口出错\n原因: 地址或端口已被占用", "错误!"));
    EXPECT_EQ(Children(), 0);
}

TEST_F(UdpClientPageTest, PromptChecksPortsAndAddress) {
    EXPECT_TRUE(Create("127.0.0.1", 70000, 5000));
    EXPECT_TRUE(LastMessage("输入的端口号有错！", "提示"));
    EXPECT_FALSE(Create("127.0.0.1", 5000, 0));  // 0: the prompt closes, nothing is made
    EXPECT_EQ(Children(), 0);
    EXPECT_EQ(messages_.size(), 1u);

    // An address the socket layer cannot use is reported and the prompt stays open: nothing
    // is made, and the next prompt still offers the usual address.
    const int local = FreeUdpPort();
    for (const char* bad : {"255.255.255.255", "no-such-host.invalid", "1 27.0.0.1"}) {
        EXPECT_TRUE(Create(bad, 5000, local)) << bad;
        EXPECT_TRUE(LastMessage("Ip 地址有错!", ui::AppTitle())) << bad;
    }
    EXPECT_EQ(Children(), 0);
    EXPECT_EQ(messages_.size(), 4u);
    std::map<int, QString> offered;
    ui::SetModalScript([&offered](QDialog* dlg) {
        offered[kBoxAddress] = dlg->findChild<QLineEdit*>(ui::ControlName(kBoxAddress))->text();
        dlg->reject();
    });
    Click(kCreate);
    EXPECT_EQ(offered[kBoxAddress], "127.0.0.1");
    EXPECT_EQ(Children(), 0);
}

TEST_F(UdpClientPageTest, HostNameIsResolved) {
    const int peer = Peer();
    const int local = FreeUdpPort();
    EXPECT_FALSE(Create("localhost", LocalPort(peer), local));
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Child(0)->text(0), Label(local, "127.0.0.1", LocalPort(peer)));
}

TEST_F(UdpClientPageTest, EmptyDatagramEndsTheClient) {
    const int peer = Peer();
    const int local = FreeUdpPort();
    Create("127.0.0.1", LocalPort(peer), local);
    ASSERT_EQ(Children(), 1);
    ASSERT_TRUE(UdpSendTo(peer, "", local));
    EXPECT_TRUE(Eventually([&] { return !Enabled(kDelete); }));
    EXPECT_EQ(Record(Child(0))->sock, -1);
    EXPECT_EQ(Image(Child(0)), 2);
    Type("too late");
    Click(kSend);
    EXPECT_TRUE(LastMessage("发送出错！", "提示"));
    ClickItem(Child(0));
    EXPECT_TRUE(Enabled(kDelete));
    Click(kDelete);
    EXPECT_EQ(Children(), 0);
}

TEST_F(UdpClientPageTest, DataShownLiveInTheSelectedViewCountsAsRead) {
    const int peer = Peer();
    const int local = FreeUdpPort();
    EXPECT_FALSE(Create("127.0.0.1", LocalPort(peer), local));
    ASSERT_EQ(Children(), 1);
    ASSERT_EQ(Tree()->currentItem(), Child(0));
    ASSERT_TRUE(UdpSendTo(peer, "live", local));
    ASSERT_TRUE(Eventually([&] { return Received().contains("live"); }));
    EXPECT_EQ(Image(Child(0)), 2);
    // The client's end: closed with nothing unread, and Delete waits for the next refresh.
    ASSERT_TRUE(UdpSendTo(peer, "", local));
    EXPECT_TRUE(Eventually([&] { return !Enabled(kDelete); }));
    EXPECT_EQ(Image(Child(0)), 2);
}

TEST_F(UdpClientPageTest, OnePromptCreatesSeveralClientsOnConsecutivePorts) {
    const int peer = Peer();
    const int peerPort = LocalPort(peer);
    const int base = FreeUdpPorts(3);
    ASSERT_GT(base, 0);
    EXPECT_FALSE(Create("127.0.0.1", peerPort, base, "3"));
    ASSERT_EQ(Children(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Child(i)->text(0), Label(base + i, "127.0.0.1", peerPort));
        ClickItem(Child(i));
        Type(QStringLiteral("from %1").arg(i));
        Click(kSend);
        sockaddr_in from{};
        EXPECT_EQ(Recv(peer, &from), "from " + std::to_string(i));
        EXPECT_EQ(ntohs(from.sin_port), base + i);
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UdpClientPageTest, BatchStopsAtATakenPortReportingItOnce) {
    const int base = FreeUdpPorts(5);
    ASSERT_GT(base, 0);
    // base+2 belongs to this page: a batch from base keeps base and base+1.
    Create("127.0.0.1", 9, base + 2);
    ASSERT_EQ(Children(), 1);
    EXPECT_FALSE(Create("127.0.0.1", 9, base, "4"));
    EXPECT_EQ(Children(), 3);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(LastMessage("本地端口已经被占用!", ui::AppTitle()));

    // base+4 belongs to another program: a batch from base+3 keeps base+3.
    Peer(base + 4);
    EXPECT_FALSE(Create("127.0.0.1", 9, base + 3, "2"));
    EXPECT_TRUE(LastMessage("绑定本地端口出错\n原因: 地址或端口已被占用", "错误!"));
    EXPECT_EQ(messages_.size(), 2u);
    EXPECT_EQ(Children(), 4);
}

TEST_F(UdpClientPageTest, ClientCountIsBounded) {
    EXPECT_TRUE(Create("127.0.0.1", 9, 5000, "1001"));
    EXPECT_TRUE(LastMessage("客户数量不能超过 1000！", "提示"));
    EXPECT_TRUE(Create("127.0.0.1", 9, 65000, "600"));
    EXPECT_TRUE(LastMessage("客户数量太多：本地端口将超过 65535！", "提示"));
    EXPECT_EQ(Children(), 0);
    // Zero or a negative count still makes one client.
    const int local = FreeUdpPort();
    EXPECT_FALSE(Create("127.0.0.1", 9, local, "0"));
    EXPECT_EQ(Children(), 1);
}

TEST_F(UdpClientPageTest, MessagesForCommandsWithoutAClient) {
    Type("x");
    Click(kSend);
    EXPECT_TRUE(LastMessage("请选择接收端！", "提示!"));
    Click(kClearReceived);
    EXPECT_TRUE(LastMessage("未选择要清除的连接", "提示"));
    Click(kClearSent);
    EXPECT_TRUE(LastMessage("未选择要清除的连接", "提示"));
    EXPECT_EQ(messages_.size(), 3u);
}

// A resolver that answers only when the test lets it: every lookup waits at the gate.
struct ResolverGate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;  // guarded by mutex
    int asked = 0;      // guarded by mutex
    int answered = 0;   // guarded by mutex

    static std::shared_ptr<ResolverGate> Install() {
        auto gate = std::make_shared<ResolverGate>();
        SetHostLookupForTest([gate](const std::string&) {
            std::unique_lock<std::mutex> lock(gate->mutex);
            ++gate->asked;
            gate->opened.wait(lock, [&] { return gate->open; });
            ++gate->answered;
            return inet_addr("127.0.0.1");
        });
        return gate;
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        opened.notify_all();
    }
    int Asked() {
        std::lock_guard<std::mutex> lock(mutex);
        return asked;
    }
    int Answered() {
        std::lock_guard<std::mutex> lock(mutex);
        return answered;
    }
};

class UdpClientLookupTest : public UdpClientPageTest {
protected:
    void TearDown() override {
        gate_->Open();  // no lookup thread stays behind
        Eventually([&] { return gate_->Answered() == gate_->Asked(); });
        ProcessEvents();
        SetHostLookupForTest(quillet::test::LoopbackHostLookup);
        UdpClientPageTest::TearDown();
    }
    // Fills the prompt for a client to `address`, presses OK and hands the open prompt to `then`.
    void WithPrompt(const QString& address, int peerPort, int localPort,
                    const std::function<void(QDialog*)>& then) {
        ui::SetModalScript([=](QDialog* dlg) {
            dlg->findChild<QLineEdit*>(ui::ControlName(kBoxAddress))->setText(address);
            dlg->findChild<QLineEdit*>(ui::ControlName(kBoxPeerPort))
                ->setText(QString::number(peerPort));
            dlg->findChild<QLineEdit*>(ui::ControlName(kBoxLocalPort))
                ->setText(QString::number(localPort));
            dlg->findChild<QPushButton*>(ui::ControlName(pages::CPromptDlg::kOk))->click();
            then(dlg);
        });
        Click(kCreate);
    }
    std::shared_ptr<ResolverGate> gate_ = ResolverGate::Install();
};

// While a name is looked up the prompt stays responsive and says so; the answer then creates
// the client as OK would have.
TEST_F(UdpClientLookupTest, NameIsLookedUpWhileThePromptStaysResponsive) {
    const int peer = Peer();
    const int local = FreeUdpPort();
    bool stillOpen = false;
    WithPrompt("slow.name.test", LocalPort(peer), local, [&](QDialog* dlg) {
        auto* ok = dlg->findChild<QPushButton*>(ui::ControlName(pages::CPromptDlg::kOk));
        ASSERT_TRUE(Eventually([&] { return gate_->Asked() == 1; }));
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_FALSE(ok->isEnabled());
        auto* note = dlg->findChild<QLabel*>("lookingNote");
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->isVisible());
        EXPECT_EQ(note->text(), QStringLiteral("正在解析…"));
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(1);
        EXPECT_TRUE(Eventually([&] { return ticks >= 5; }));  // the event loop keeps running
        ok->click();                                          // ignored while looking
        EXPECT_EQ(gate_->Asked(), 1);
        gate_->Open();
        EXPECT_TRUE(Eventually([&] { return !dlg->isVisible(); }));
        stillOpen = dlg->isVisible();
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
    });
    EXPECT_FALSE(stillOpen);
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Child(0)->text(0), Label(local, "127.0.0.1", LocalPort(peer)));
    EXPECT_TRUE(messages_.empty());
}

// Cancel closes the prompt at once; the answer that comes later does nothing.
TEST_F(UdpClientLookupTest, CancelWhileLookingDropsTheLateAnswer) {
    const int peer = Peer();
    WithPrompt("never.answers.test", LocalPort(peer), FreeUdpPort(), [&](QDialog* dlg) {
        ASSERT_TRUE(Eventually([&] { return gate_->Asked() == 1; }));
        dlg->findChild<QPushButton*>(ui::ControlName(pages::CPromptDlg::kCancel))->click();
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
    });
    gate_->Open();
    ASSERT_TRUE(Eventually([&] { return gate_->Answered() == 1; }));
    for (int i = 0; i < 5; ++i)
        ProcessEvents();
    EXPECT_EQ(Children(), 0);
    EXPECT_TRUE(messages_.empty());
}

// A dotted address needs no resolver: the client is made before the prompt call returns.
TEST_F(UdpClientLookupTest, AddressLiteralCreatesAtOnce) {
    const int peer = Peer();
    const int local = FreeUdpPort();
    bool closed = false;
    WithPrompt("127.0.0.1", LocalPort(peer), local,
               [&](QDialog* dlg) { closed = !dlg->isVisible(); });
    EXPECT_TRUE(closed);
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Child(0)->text(0), Label(local, "127.0.0.1", LocalPort(peer)));
    EXPECT_EQ(gate_->Asked(), 0);
}

}  // namespace
}  // namespace quillet::test
