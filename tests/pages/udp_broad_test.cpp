// The broadcast page on loopback only: senders reach a receiver through 127.255.255.255 (the
// adapter table is pinned to 127.0.0.1/255.0.0.0), the address warning, and the layout.
#include <sys/socket.h>

#include "engine/name_resolver.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "tests/common/ipv6_loopback.h"
#include "pages/udp_broad_dlg.h"
#include "tests/pages/udp_page_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using enum pages::CUdpClientDlg::ControlId;
using enum pages::CSetUdpServerIp::ControlId;

class UdpBroadPageTest : public UdpPageTest {
protected:
    void SetUp() override {
        UdpPageTest::SetUp();
        Open<pages::CUdpBroadDlg>();
    }
    void Create(const QString& address, int peerPort, int localPort, const QString& count = "1") {
        AnswerPrompt({{kBoxAddress, address},
                      {kBoxPeerPort, QString::number(peerPort)},
                      {kBoxLocalPort, QString::number(localPort)},
                      {kBoxCount, count}});
        Click(kCreate);
    }
};

TEST_F(UdpBroadPageTest, SendOnlyLayout) {
    EXPECT_EQ(page_->objectName(), "page296");
    EXPECT_EQ(Tree()->objectName(), ui::ControlName(kTree));
    EXPECT_FALSE(page_->ReceivedView()->isVisible());
    EXPECT_EQ(page_->Button(kClearReceived), nullptr);
    EXPECT_EQ(page_->Button(kClearSent)->geometry().top(), 5);
    const QRect sent = page_->SentView()->geometry();
    EXPECT_EQ(page_->Button(kClearSent)->geometry().right(), sent.x() + sent.width() - 11);
    EXPECT_FALSE(Enabled(kDelete));
}

TEST_F(UdpBroadPageTest, PromptBoxesSitInTheirPlaces) {
    ExpectAddressPromptPlaces(PromptPlaces(kCreate));
    EXPECT_EQ(Children(), 0);
}

TEST_F(UdpBroadPageTest, SenderReachesAReceiverThroughTheLoopbackBroadcastAddress) {
    const int receiver = Peer(0, "0.0.0.0");
    const int port = LocalPort(receiver);
    const int local = FreeUdpPort();
    std::map<int, QString> offered;
    AnswerPrompt({{kBoxPeerPort, QString::number(port)}, {kBoxLocalPort, QString::number(local)}},
                 nullptr, &offered);
    Click(kCreate);
    EXPECT_EQ(offered[kBoxAddress], "127.255.255.255");
    EXPECT_TRUE(messages_.empty());
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Child(0)->text(0),
              QStringLiteral("127.0.0.1:%1<->127.255.255.255:%2").arg(local).arg(port));
    int on = 0;
    socklen_t len = sizeof on;
    ASSERT_EQ(getsockopt(Record(Child(0))->sock, SOL_SOCKET, SO_BROADCAST, &on, &len), 0);
    EXPECT_EQ(on, 1);

    Type("to everyone");
    Click(kSend);
    sockaddr_in from{};
    EXPECT_EQ(Recv(receiver, &from), "to everyone");
    EXPECT_EQ(ntohs(from.sin_port), local);
    EXPECT_TRUE(Sent().contains("to everyone"));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UdpBroadPageTest, UnicastAddressWarnsButTheSenderIsMade) {
    const int receiver = Peer();
    const int local = FreeUdpPort();
    Create("127.0.0.1", LocalPort(receiver), local);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(LastMessage("广播Ip地址可能有错!", ui::AppTitle()));
    ASSERT_EQ(Children(), 1);
    Type("direct");
    Click(kSend);
    EXPECT_EQ(Recv(receiver), "direct");
    // The next prompt offers the last address.
    std::map<int, QString> offered;
    AnswerPrompt({{kBoxPeerPort, "0"}}, nullptr, &offered);
    Click(kCreate);
    EXPECT_EQ(offered[kBoxAddress], "127.0.0.1");
}

TEST_F(UdpBroadPageTest, AllOnesAddressIsAcceptedWithoutWarning) {
    // Created only: nothing is sent to it.
    Create("255.255.255.255", 9, FreeUdpPort());
    EXPECT_TRUE(messages_.empty());
    ASSERT_EQ(Children(), 1);
    EXPECT_EQ(Record(Child(0))->addrServer.Address4(), INADDR_BROADCAST);
}

// What the broadcast prompt makes of a name or a dotted text, with a resolver that knows two
// names of loopback addresses only: a name of nothing and a malformed dotted address warn and
// aim at 255.255.255.255; a name of both families uses its IPv4 address; a name of IPv6
// addresses only is refused with one message. Nothing is sent.
TEST_F(UdpBroadPageTest, NamesAndMalformedAddressesWarnAndAimAtEveryHostOrAreRefusedOnce) {
    SetHostListLookupForTest([](const std::string& name) {
        if (name == "both.test")
            return std::vector<IpEndpoint>{Endpoint("::1", 0), Endpoint("127.0.0.2", 0)};
        if (name == "six.test")
            return std::vector<IpEndpoint>{Endpoint("::1", 0)};
        return std::vector<IpEndpoint>{};
    });
    const struct {
        const char* typed;
        const char* message;  // the one message shown
        const char* aimedAt;  // null: refused, the prompt stays open
    } cases[] = {
        {"nosuch.test", "广播Ip地址可能有错!", "255.255.255.255"},
        {"300.1.1.1", "广播Ip地址可能有错!", "255.255.255.255"},
        {"both.test", "广播Ip地址可能有错!", "127.0.0.2"},
        {"six.test", "广播只能用 IPv4 地址!", nullptr},
    };
    for (const auto& c : cases) {
        messages_.clear();
        const int before = Children();
        bool open = false;
        AnswerPrompt({{kBoxAddress, c.typed},
                      {kBoxPeerPort, "9"},
                      {kBoxLocalPort, QString::number(FreeUdpPort())}},
                     &open);
        Click(kCreate);
        ASSERT_EQ(messages_.size(), 1u) << c.typed;
        EXPECT_TRUE(LastMessage(c.message, ui::AppTitle())) << c.typed;
        EXPECT_EQ(open, c.aimedAt == nullptr) << c.typed;
        ASSERT_EQ(Children(), before + (c.aimedAt ? 1 : 0)) << c.typed;
        if (c.aimedAt) {
            EXPECT_EQ(Child(before)->text(0).section("<->", 1),
                      QStringLiteral("%1:9").arg(c.aimedAt))
                << c.typed;
        }
    }
    SetHostListLookupForTest(nullptr);
}

TEST_F(UdpBroadPageTest, DataForASenderMarksItUnread) {
    const int peer = Peer();
    const int local = FreeUdpPort();
    Create("127.255.255.255", 9, local);
    ClickItem(Root());
    ASSERT_TRUE(UdpSendTo(peer, "reply", local));
    EXPECT_TRUE(Eventually([&] { return Image(Child(0)) == 5; }));
    ClickItem(Child(0));
    EXPECT_EQ(Image(Child(0)), 2);
    EXPECT_TRUE(Received().contains("reply"));  // the hidden view keeps it
}

TEST_F(UdpBroadPageTest, OnePromptCreatesSeveralSendersAndRefusesAUsedPort) {
    const int base = FreeUdpPorts(2);
    ASSERT_GT(base, 0);
    Create("127.255.255.255", 9, base, "2");
    ASSERT_EQ(Children(), 2);
    EXPECT_EQ(Child(1)->text(0), QStringLiteral("127.0.0.1:%1<->127.255.255.255:9").arg(base + 1));
    bool open = false;
    AnswerPrompt({{kBoxLocalPort, QString::number(base + 1)}}, &open);
    Click(kCreate);
    EXPECT_TRUE(open);
    EXPECT_TRUE(LastMessage("本地端口已经被占用!", ui::AppTitle()));
    EXPECT_EQ(Children(), 2);
}

}  // namespace
}  // namespace quillet::test
