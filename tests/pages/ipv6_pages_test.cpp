// Every page with IPv6 peers on ::1 and the local address choices ("高级…", kept under
// "addr/<page>/local"): dual-stack and single-address servers, clients from a chosen or the
// routed address, IPv6 labels in the trees, and the prompts' refusals of what cannot work.
// Skipped with a message where this host has no IPv6 loopback.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "engine/crit_sec.h"
#include "engine/name_resolver.h"
#include "pages/common/app_settings.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/prompts/local_choice.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_broad_dlg.h"
#include "pages/udp_client_dlg.h"
#include "pages/udp_server_dlg.h"
#include "pages/multicast_server_dlg.h"
#include "tests/common/ipv6_loopback.h"
#include "tests/pages/udp_page_fixture.h"

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

const char* const kPages[] = {"tcpServer", "udpServer", "tcpClient", "udpClient", "broadcast"};

class Ipv6PageTest : public UdpPageTest {
protected:
    void SetUp() override {
        UdpPageTest::SetUp();
        if (!HaveIpv6Loopback())
            GTEST_SKIP() << "this host has no IPv6 loopback (::1) to test on";
        SetHostAddressesForTest(std::vector<HostAddress>{{"lo", 1, Endpoint("127.0.0.1", 0)},
                                                         {"lo", 1, Endpoint("::1", 0)}});
    }
    void TearDown() override {
        for (const char* page : kPages)
            pages::LocalChoice().Store(page);
        SetHostAddressesForTest(std::nullopt);
        UdpPageTest::TearDown();
    }
    static void Choose(const char* page, const char* text) {
        pages::LocalChoice::FromText(text).Store(page);
    }
    QString Text(int child) const { return Child(child) ? Child(child)->text(0) : QString(); }
    static int LocalPortOf(ConnectInfo* rec) {
        CCritSecLock lock(g_csConnect);
        return rec->sock >= 0 ? BoundPort(rec->sock) : -1;
    }
    // The page's received log of child `i`, once it was clicked.
    bool ShowsReceived(int child, const QString& text) {
        ClickItem(Child(child));
        return Eventually([&] { return Received().contains(text); });
    }
    void SendFromPage(int child, int sendButton, const QString& text) {
        ClickItem(Child(child));
        Type(text);
        Click(sendButton);
    }
    // The prompt of `createButton` answered with `fields`: whether OK left it open, and the
    // last message's text.
    bool Refused(int createButton, std::map<int, QString> fields, QString* message) {
        bool open = false;
        AnswerPrompt(std::move(fields), &open);
        const size_t before = messages_.size();
        Click(createButton);
        *message = messages_.size() > before ? messages_.back().text : QString();
        return open;
    }
};

TEST_F(Ipv6PageTest, DualStackTcpServerTalksWithIpv4AndIpv6Clients) {
    Choose("tcpServer", "dual");
    Open<CTcpServerDlg>();
    const int port = FreeTcpPort();
    AnswerNextPrompt({{CSetListenDlg::kBoxPort, QString::number(port)}});
    Click(CTcpServerDlg::kCreate);
    EXPECT_EQ(Root()->text(0), QStringLiteral("[::]:%1").arg(port));

    PeerSocket v4(TcpConnectAny("127.0.0.1", port));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    PeerSocket v6(TcpConnectAny("::1", port));
    ASSERT_TRUE(Eventually([&] { return Children() == 2; }));
    EXPECT_EQ(Text(0), QStringLiteral("127.0.0.1:%1").arg(BoundPort(v4)));
    EXPECT_EQ(Text(1), QStringLiteral("[::1]:%1").arg(BoundPort(v6)));

    ASSERT_TRUE(SendAll(v6, "over six"));
    EXPECT_TRUE(ShowsReceived(1, "over six"));
    SendFromPage(1, CTcpServerDlg::kSend, "back on six");
    EXPECT_EQ(RecvExactly(v6, 11), "back on six");
    SendFromPage(0, CTcpServerDlg::kSend, "back on four");
    EXPECT_EQ(RecvExactly(v4, 12), "back on four");
}

TEST_F(Ipv6PageTest, TcpServerOnOneIpv6AddressHearsOnlyThatAddress) {
    Choose("tcpServer", "::1");
    Open<CTcpServerDlg>();
    const int port = FreeTcpPort();
    AnswerNextPrompt({{CSetListenDlg::kBoxPort, QString::number(port)}});
    Click(CTcpServerDlg::kCreate);
    EXPECT_EQ(Root()->text(0), QStringLiteral("[::1]:%1").arg(port));
    PeerSocket v4(TcpConnectAny("127.0.0.1", port));
    EXPECT_LT(v4, 0);  // refused: nothing listens on IPv4
    PeerSocket v6(TcpConnectAny("::1", port));
    ASSERT_GE(v6, 0);
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    EXPECT_EQ(Text(0), QStringLiteral("[::1]:%1").arg(BoundPort(v6)));
}

TEST_F(Ipv6PageTest, TcpClientConnectsToAnIpv6ServerAndTalksBothWays) {
    int port = 0;
    PeerSocket server(TcpListenAny("::1", &port));
    ASSERT_GE(server, 0);
    Open<CTcpClientDlg>();
    AnswerNextPrompt(
        {{CDlgSetIp::kBoxAddress, "[::1]"}, {CDlgSetIp::kBoxPort, QString::number(port)}});
    Click(CTcpClientDlg::kCreate);
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Text(0), QStringLiteral("[::1]:%1").arg(port));
    ClickItem(Child(0));
    Click(CTcpClientDlg::kConnect);
    ASSERT_TRUE(Eventually([&] { return Text(0).contains("<->"); }));
    PeerSocket accepted(TcpAccept(server));
    ASSERT_GE(accepted, 0);
    EXPECT_TRUE(Text(0).startsWith("[::1]:")) << Text(0).toStdString();
    EXPECT_TRUE(Text(0).endsWith(QStringLiteral("<->[::1]:%1").arg(port)));

    ASSERT_TRUE(SendAll(accepted, "hello six"));
    EXPECT_TRUE(ShowsReceived(0, "hello six"));
    SendFromPage(0, CTcpClientDlg::kSend, "yes six");
    EXPECT_EQ(RecvExactly(accepted, 7), "yes six");
}

TEST_F(Ipv6PageTest, TcpClientFromAChosenAddressRefusesTargetsOfTheOtherFamily) {
    Choose("tcpClient", "127.0.0.1");
    Open<CTcpClientDlg>();
    QString message;
    EXPECT_TRUE(Refused(CTcpClientDlg::kCreate,
                        {{CDlgSetIp::kBoxAddress, "::1"}, {CDlgSetIp::kBoxPort, "80"}}, &message));
    EXPECT_EQ(message, "本地地址是 IPv4 地址, 对方地址也应是 IPv4 地址!");
    EXPECT_EQ(Children(), 0);

    // To an IPv4 target the connection is made from the chosen address.
    int port = 0;
    PeerSocket server(TcpListenAny("127.0.0.1", &port));
    AnswerNextPrompt(
        {{CDlgSetIp::kBoxAddress, "127.0.0.1"}, {CDlgSetIp::kBoxPort, QString::number(port)}});
    Click(CTcpClientDlg::kCreate);
    ASSERT_EQ(Children(), 1);
    ClickItem(Child(0));
    Click(CTcpClientDlg::kConnect);
    ASSERT_TRUE(Eventually([&] { return Text(0).contains("<->"); }));
    EXPECT_TRUE(Text(0).startsWith("127.0.0.1:"));
}

TEST_F(Ipv6PageTest, TcpClientTriesANamesNextAddressWhenTheFirstRefuses) {
    int port = 0;
    PeerSocket server(TcpListenAny("127.0.0.1", &port));  // nothing listens on [::1]:port
    ASSERT_GE(server, 0);
    SetHostListLookupForTest([](const std::string& name) {
        if (name == "both.test")
            return std::vector<IpEndpoint>{Endpoint("::1", 0), Endpoint("127.0.0.1", 0)};
        return std::vector<IpEndpoint>{};
    });
    Open<CTcpClientDlg>();
    AnswerNextPrompt(
        {{CDlgSetIp::kBoxAddress, "both.test"}, {CDlgSetIp::kBoxPort, QString::number(port)}});
    Click(CTcpClientDlg::kCreate);
    SetHostListLookupForTest(nullptr);
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Text(0), QStringLiteral("[::1]:%1").arg(port));
    ClickItem(Child(0));
    Click(CTcpClientDlg::kConnect);
    ASSERT_TRUE(Eventually([&] { return Text(0).contains("<->"); }));
    EXPECT_EQ(Text(0), QStringLiteral("127.0.0.1:%1<->127.0.0.1:%2")
                           .arg(Record(Child(0)) ? LocalPortOf(Record(Child(0))) : -1)
                           .arg(port));
    for (const auto& m : messages_)
        EXPECT_FALSE(m.text.startsWith("客户端连接失败!"));
}

TEST_F(Ipv6PageTest, UdpServerOnIpv6LoopbackListsAndAnswersIpv6Peers) {
    Choose("udpServer", "::1");
    Open<CUdpServerDlg>();
    const int port = FreeUdpPort();
    AnswerNextPrompt({{CSetListenDlg::kBoxPort, QString::number(port)}});
    Click(CUdpServerDlg::kCreate);
    EXPECT_EQ(Root()->text(0), QStringLiteral("[::1]:%1").arg(port));
    PeerSocket peer(UdpBindAny("::1"));
    ASSERT_TRUE(UdpSendToAny(peer, "six says hi", Endpoint("::1", port)));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    EXPECT_EQ(Text(0), QStringLiteral("[::1]:%1").arg(BoundPort(peer)));
    EXPECT_TRUE(ShowsReceived(0, "six says hi"));
    SendFromPage(0, CUdpServerDlg::kSend, "answer");
    EXPECT_EQ(UdpRecvAny(peer), "answer");
}

TEST_F(Ipv6PageTest, DualStackUdpServerKeepsOneRecordPerPeerOfEitherFamily) {
    Choose("udpServer", "dual");
    Open<CUdpServerDlg>();
    const int port = FreeUdpPort();
    AnswerNextPrompt({{CSetListenDlg::kBoxPort, QString::number(port)}});
    Click(CUdpServerDlg::kCreate);
    EXPECT_EQ(Root()->text(0), QStringLiteral("[::]:%1").arg(port));
    PeerSocket v4(UdpBindAny("127.0.0.1"));
    PeerSocket v6(UdpBindAny("::1"));
    ASSERT_TRUE(UdpSendToAny(v4, "a", Endpoint("127.0.0.1", port)));
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    ASSERT_TRUE(UdpSendToAny(v6, "b", Endpoint("::1", port)));
    ASSERT_TRUE(Eventually([&] { return Children() == 2; }));
    // The socket hears the IPv4 peer as ::ffff:127.0.0.1 each time: still one record.
    ASSERT_TRUE(UdpSendToAny(v4, "c", Endpoint("127.0.0.1", port)));
    EXPECT_TRUE(ShowsReceived(0, "c"));
    EXPECT_EQ(Children(), 2);
    EXPECT_EQ(Text(0), QStringLiteral("127.0.0.1:%1").arg(BoundPort(v4)));
    SendFromPage(0, CUdpServerDlg::kSend, "to four");
    EXPECT_EQ(UdpRecvAny(v4), "to four");
}

TEST_F(Ipv6PageTest, UdpClientToIpv6PeerTalksFromTheRoutedAddress) {
    PeerSocket peer(UdpBindAny("::1"));
    Open<CUdpClientDlg>();
    const int local = FreeUdpPort();
    AnswerNextPrompt({{CSetUdpServerIp::kBoxAddress, "::1"},
                      {CSetUdpServerIp::kBoxPeerPort, QString::number(BoundPort(peer))},
                      {CSetUdpServerIp::kBoxLocalPort, QString::number(local)}});
    Click(CUdpClientDlg::kCreate);
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Text(0), QStringLiteral("[::1]:%1<->[::1]:%2").arg(local).arg(BoundPort(peer)));
    SendFromPage(0, CUdpClientDlg::kSend, "ping six");
    IpEndpoint from;
    EXPECT_EQ(UdpRecvAny(peer, &from), "ping six");
    EXPECT_EQ(from.Label(), Endpoint("::1", local).Label());
    ASSERT_TRUE(UdpSendToAny(peer, "pong six", from));
    EXPECT_TRUE(ShowsReceived(0, "pong six"));
}

TEST_F(Ipv6PageTest, UdpClientAutomaticTalksFromLoopbackToLoopback) {
    // The tree's address is another loopback address; "automatic" uses the routed one.
    SetLocalHostAddressForTest("127.0.0.2");
    Choose("udpClient", "auto");
    PeerSocket peer(UdpBindAny("127.0.0.1"));
    Open<CUdpClientDlg>();
    const int local = FreeUdpPort();
    AnswerNextPrompt({{CSetUdpServerIp::kBoxAddress, "127.0.0.1"},
                      {CSetUdpServerIp::kBoxPeerPort, QString::number(BoundPort(peer))},
                      {CSetUdpServerIp::kBoxLocalPort, QString::number(local)}});
    Click(CUdpClientDlg::kCreate);
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Text(0),
              QStringLiteral("127.0.0.1:%1<->127.0.0.1:%2").arg(local).arg(BoundPort(peer)));
    SendFromPage(0, CUdpClientDlg::kSend, "routed");
    IpEndpoint from;
    EXPECT_EQ(UdpRecvAny(peer, &from), "routed");
    EXPECT_EQ(from.AddressText(), "127.0.0.1");
}

TEST_F(Ipv6PageTest, BroadcastSenderAutomaticTalksFromTheRoutedAddress) {
    SetLocalHostAddressForTest("127.0.0.2");
    Choose("broadcast", "auto");
    PeerSocket receiver(UdpBindAny("0.0.0.0"));
    Open<pages::CUdpBroadDlg>();
    const int local = FreeUdpPort();
    AnswerNextPrompt({{CSetUdpServerIp::kBoxAddress, "127.255.255.255"},
                      {CSetUdpServerIp::kBoxPeerPort, QString::number(BoundPort(receiver))},
                      {CSetUdpServerIp::kBoxLocalPort, QString::number(local)}});
    Click(CUdpClientDlg::kCreate);
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(
        Text(0),
        QStringLiteral("127.0.0.1:%1<->127.255.255.255:%2").arg(local).arg(BoundPort(receiver)));
    SendFromPage(0, CUdpClientDlg::kSend, "to all");
    IpEndpoint from;
    EXPECT_EQ(UdpRecvAny(receiver, &from), "to all");
    EXPECT_EQ(from.Label(), Endpoint("127.0.0.1", local).Label());
}

TEST_F(Ipv6PageTest, ANameOfBothFamiliesUsesItsFirstAddressThatFitsTheLocalChoice) {
    SetHostListLookupForTest([](const std::string& name) {
        if (name == "both.test")
            return std::vector<IpEndpoint>{Endpoint("::1", 0), Endpoint("127.0.0.1", 0)};
        return std::vector<IpEndpoint>{};
    });
    PeerSocket peer6(UdpBindAny("::1"));
    PeerSocket peer4(UdpBindAny("127.0.0.1", BoundPort(peer6)));
    const int peerPort = BoundPort(peer6);
    Open<CUdpClientDlg>();
    const int local = FreeUdpPorts(2);
    auto create = [&](int localPort) {
        AnswerNextPrompt({{CSetUdpServerIp::kBoxAddress, "both.test"},
                          {CSetUdpServerIp::kBoxPeerPort, QString::number(peerPort)},
                          {CSetUdpServerIp::kBoxLocalPort, QString::number(localPort)}});
        Click(CUdpClientDlg::kCreate);
    };
    create(local);
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    EXPECT_TRUE(Text(0).endsWith(QStringLiteral("<->[::1]:%1").arg(peerPort)));
    Choose("udpClient", "127.0.0.1");
    create(local + 1);
    ASSERT_TRUE(Eventually([&] { return Children() == 2; }));
    EXPECT_EQ(Text(1), QStringLiteral("127.0.0.1:%1<->127.0.0.1:%2").arg(local + 1).arg(peerPort));
    SetHostListLookupForTest(nullptr);
}

TEST_F(Ipv6PageTest, AddressPromptsRefuseMalformedIpv6AndNamesOfNothing) {
    const QString title = ui::AppTitle();
    for (const char* bad : {":::", "1::2::3", "[::1", "::1]", "fe80::1%nosuchif0", "nosuch.test"}) {
        Open<CTcpClientDlg>();
        QString message;
        EXPECT_TRUE(Refused(CTcpClientDlg::kCreate,
                            {{CDlgSetIp::kBoxAddress, bad}, {CDlgSetIp::kBoxPort, "80"}}, &message))
            << bad;
        EXPECT_EQ(message, "Ip 地址有错!") << bad;
        EXPECT_EQ(Children(), 0) << bad;

        Open<CUdpClientDlg>();
        EXPECT_TRUE(Refused(CUdpClientDlg::kCreate,
                            {{CSetUdpServerIp::kBoxAddress, bad},
                             {CSetUdpServerIp::kBoxLocalPort, QString::number(FreeUdpPort())}},
                            &message))
            << bad;
        EXPECT_EQ(message, "Ip 地址有错!") << bad;
        EXPECT_EQ(Children(), 0) << bad;
    }
}

// Targets no connection can ever reach are refused as the UDP client refuses an unusable
// address: the prompt stays open and nothing is made.
TEST_F(Ipv6PageTest, TcpClientRefusesTargetsThatCanNeverConnect) {
    Open<CTcpClientDlg>();
    for (const char* never :
         {"::", "[::]", "0.0.0.0", "::ffff:0.0.0.0", "224.0.0.1", "ff02::1", "fe80::1"}) {
        messages_.clear();
        QString message;
        EXPECT_TRUE(Refused(CTcpClientDlg::kCreate,
                            {{CDlgSetIp::kBoxAddress, never}, {CDlgSetIp::kBoxPort, "80"}},
                            &message))
            << never;
        EXPECT_EQ(message, "Ip 地址有错!") << never;
        EXPECT_EQ(messages_.size(), 1u) << never;
        EXPECT_EQ(Children(), 0) << never;
    }
}

// Every address box takes a 64-character address with brackets and the zone of a 15-character
// interface name, typed whole.
TEST_F(Ipv6PageTest, AddressBoxesTakeAZonedAddressOfSixtyFourCharacters) {
    const QString zoned = " [fe80:0000:0000:0000:0000:0000:255.255.255.255%abcdefghijklmno]";
    ASSERT_EQ(zoned.size(), 64);
    const struct {
        std::function<void()> open;
        std::vector<int> boxes;
    } prompts[] = {
        {[&] { Open<CTcpClientDlg>(); }, {CDlgSetIp::kBoxAddress}},
        {[&] { Open<CUdpClientDlg>(); }, {CSetUdpServerIp::kBoxAddress}},
        {[&] { Open<pages::CUdpBroadDlg>(); }, {CSetUdpServerIp::kBoxAddress}},
        {[&] { Open<pages::CMulticastServerDlg>(); }, {pages::kBoxGroup, pages::kBoxInterface}},
    };
    for (const auto& prompt : prompts) {
        prompt.open();
        std::map<int, QString> held;
        ui::SetModalScript([&](QDialog* dlg) {
            for (int id : prompt.boxes) {
                auto* box = dlg->findChild<QLineEdit*>(ui::ControlName(id));
                box->clear();
                box->insert(zoned);  // as typed or pasted: within the box's own limit
                held[id] = box->text();
            }
            dlg->reject();
        });
        Click(CUdpClientDlg::kCreate);
        ui::SetModalScript(nullptr);
        for (int id : prompt.boxes)
            EXPECT_EQ(held[id], zoned) << page_->objectName().toStdString() << " " << id;
    }
}

TEST_F(Ipv6PageTest, BroadcastStaysIpv4AndSaysSo) {
    Open<pages::CUdpBroadDlg>();
    const QString local = QString::number(FreeUdpPort());
    QString message;
    for (const char* six : {"::1", "[ff02::1]"}) {
        EXPECT_TRUE(
            Refused(CUdpClientDlg::kCreate,
                    {{CSetUdpServerIp::kBoxAddress, six}, {CSetUdpServerIp::kBoxLocalPort, local}},
                    &message));
        EXPECT_EQ(message, "广播只能用 IPv4 地址!");
    }
    EXPECT_TRUE(Refused(
        CUdpClientDlg::kCreate,
        {{CSetUdpServerIp::kBoxAddress, "1::2::3"}, {CSetUdpServerIp::kBoxLocalPort, local}},
        &message));
    EXPECT_EQ(message, "Ip 地址有错!");
    // An IPv6 local address is refused too.
    Choose("broadcast", "::1");
    Open<pages::CUdpBroadDlg>();
    EXPECT_TRUE(Refused(CUdpClientDlg::kCreate,
                        {{CSetUdpServerIp::kBoxAddress, "127.255.255.255"},
                         {CSetUdpServerIp::kBoxLocalPort, local}},
                        &message));
    EXPECT_EQ(message, "广播只能用 IPv4 地址!");
    EXPECT_EQ(Children(), 0);
}

TEST_F(Ipv6PageTest, GroupPromptChecksBothFamilies) {
    Open<pages::CMulticastServerDlg>();
    const QString port = QString::number(FreeUdpPort());
    struct Case {
        const char* group;
        const char* iface;
        const char* message;
    } cases[] = {
        {"ff0e::1:2", "127.0.0.1", "组播地址与本地接口的地址类型不同!"},
        {"239.255.1.2", "::1", "组播地址与本地接口的地址类型不同!"},
        {"ff0e::1:2", "nosuchif0", "本地接口地址有错!"},
        {"fe80::1", "lo", "IPv6 组播地址有错! (应在 ff00::/8 之内)"},
        {":::", "lo", "IPv6 组播地址有错! (应在 ff00::/8 之内)"},
    };
    for (const Case& c : cases) {
        QString message;
        EXPECT_TRUE(Refused(CUdpClientDlg::kCreate,
                            {{pages::kBoxGroup, c.group},
                             {pages::kBoxGroupPort, port},
                             {pages::kBoxLocalPort, port},
                             {pages::kBoxInterface, c.iface}},
                            &message))
            << c.group;
        EXPECT_EQ(message, c.message) << c.group << " on " << c.iface;
    }
    EXPECT_EQ(Children(), 0);
}

TEST_F(Ipv6PageTest, AdvancedButtonChoosesAndRemembersTheLocalAddress) {
    pages::CSetListenDlg listen(Qt::white, nullptr, "udpServer");
    auto* button = listen.findChild<QPushButton*>("localAddressButton");
    ASSERT_TRUE(button);
    // Beside OK and Cancel, clear of them and of the port box.
    for (QWidget* other :
         {static_cast<QWidget*>(listen.OkButton()), static_cast<QWidget*>(listen.CancelButton()),
          static_cast<QWidget*>(listen.Edit(CSetListenDlg::kBoxPort))})
        EXPECT_FALSE(button->geometry().intersects(other->geometry()));
    EXPECT_TRUE(listen.rect().contains(button->geometry()));
    QStringList offered;
    ui::SetModalScript([&](QDialog* dlg) {
        auto* list = dlg->findChild<QComboBox*>("localAddressList");
        ASSERT_TRUE(list);
        for (int i = 0; i < list->count(); ++i)
            offered << list->itemText(i);
        list->setCurrentIndex(list->findData(QStringLiteral("::1")));
        dlg->accept();
    });
    button->click();
    ui::SetModalScript(nullptr);
    ASSERT_EQ(offered.size(), 4);
    EXPECT_EQ(offered[0], "所有 IPv4 地址 (0.0.0.0)");
    EXPECT_EQ(offered[3], "::1  (lo)");
    EXPECT_EQ(listen.Local().ToText(), "::1");
    EXPECT_EQ(pages::settings::Value("addr/udpServer/local").toString(), "::1");
    // The next prompt starts with it.
    pages::CSetListenDlg next(Qt::white, nullptr, "udpServer");
    EXPECT_EQ(next.Local().ToText(), "::1");

    // The client prompts' button sits right of the address box, inside the prompt.
    CSetUdpServerIp client(nullptr, u"", Qt::white);
    auto* clientButton = client.findChild<QPushButton*>("localAddressButton");
    ASSERT_TRUE(clientButton);
    EXPECT_TRUE(client.rect().contains(clientButton->geometry()));
    for (int id : {CSetUdpServerIp::kBoxAddress, CSetUdpServerIp::kBoxPeerPort})
        EXPECT_FALSE(clientButton->geometry().intersects(client.Edit(id)->geometry()));
}

}  // namespace
}  // namespace quillet::test
