// IPv6 between two network namespaces that the tests make, joined by a veth pair: a page in
// namespace "a" (fd77::1) and plain peers in namespace "b" (fd77::2). Unicast both ways on the
// TCP server and UDP client pages, and an IPv6 multicast group joined by interface name. The
// test thread comes back to its own namespace before each test ends.
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pages/prompts/local_choice.h"
#include "pages/multicast_server_dlg.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_client_dlg.h"
#include "tests/common/ipv6_loopback.h"
#include "tests/common/veth_namespaces.h"
#include "tests/common/wait_until.h"
#include "tests/pages/udp_page_fixture.h"

namespace quillet::test {
namespace {

class Ipv6NamespaceTest : public UdpPageTest {
protected:
    void SetUp() override {
        UdpPageTest::SetUp();
        if (!pair_.Ready())
            GTEST_SKIP() << "needs root, IPv6 and 'ip netns' to build a veth link in namespaces";
        // A free port of namespace a; the namespaces are new, so it is free for TCP and in b.
        ASSERT_TRUE(pair_.EnterA());
        PeerSocket probe(UdpBindAny("::", 0));
        port_ = probe >= 0 ? BoundPort(probe) : -1;
        probe.Close();
        ASSERT_TRUE(pair_.Leave());
        ASSERT_GT(port_, 0);
    }
    void TearDown() override {
        pair_.Leave();
        pages::LocalChoice().Store("tcpServer");
        UdpPageTest::TearDown();
    }
    // A plain IPv6 socket in namespace b (5 s receive timeout), bound to ip:port.
    int PeerInB(const char* ip, int port = 0) {
        EXPECT_TRUE(pair_.EnterB());
        PeerSocket& peer = fds_.emplace_back(UdpBindAny(ip, port));
        EXPECT_TRUE(pair_.Leave());
        return peer;
    }
    QString Text(int child) const { return Child(child) ? Child(child)->text(0) : QString(); }
    void SendFrom(int child, int button, const QString& text) {
        ClickItem(Child(child));
        Type(text);
        Click(button);
    }
    bool ShowsReceived(int child, const QString& text) {
        ClickItem(Child(child));
        return Eventually([&] { return Received().contains(text); });
    }

    // Namespace "a" (fd77::1) and "b" (fd77::2) on one veth link.
    VethNamespaces pair_{"ql6", "fd77::1/64", "fd77::2/64"};
    int port_ = 0;
};

TEST_F(Ipv6NamespaceTest, UdpClientInOneNamespaceTalksToAPeerInTheOther) {
    const int peer = PeerInB("fd77::2");
    ASSERT_GE(peer, 0);
    Open<pages::CUdpClientDlg>();
    ASSERT_TRUE(pair_.EnterA());
    AnswerNextPrompt({{pages::CSetUdpServerIp::kBoxAddress, "fd77::2"},
                      {pages::CSetUdpServerIp::kBoxPeerPort, QString::number(BoundPort(peer))},
                      {pages::CSetUdpServerIp::kBoxLocalPort, QString::number(port_)}});
    Click(pages::CUdpClientDlg::kCreate);
    ASSERT_TRUE(pair_.Leave());
    ASSERT_EQ(Children(), 1);
    // The routed address of namespace a, not the tree's IPv4 address.
    EXPECT_EQ(Text(0),
              QStringLiteral("[fd77::1]:%1<->[fd77::2]:%2").arg(port_).arg(BoundPort(peer)));
    SendFrom(0, pages::CUdpClientDlg::kSend, "across");
    IpEndpoint from;
    EXPECT_EQ(UdpRecvAny(peer, &from), "across");
    EXPECT_EQ(from.Label(), "[fd77::1]:" + std::to_string(port_));
    ASSERT_TRUE(UdpSendToAny(peer, "and back", from));
    EXPECT_TRUE(ShowsReceived(0, "and back"));
}

TEST_F(Ipv6NamespaceTest, DualStackTcpServerAcceptsAClientFromTheOtherNamespace) {
    pages::LocalChoice::FromText("dual").Store("tcpServer");
    Open<pages::CTcpServerDlg>();
    ASSERT_TRUE(pair_.EnterA());
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port_)}});
    Click(pages::CTcpServerDlg::kCreate);
    ASSERT_TRUE(pair_.Leave());
    EXPECT_EQ(Root()->text(0), QStringLiteral("[::]:%1").arg(port_));
    ASSERT_TRUE(pair_.EnterB());
    PeerSocket client(TcpConnectAny("fd77::1", port_));
    ASSERT_TRUE(pair_.Leave());
    ASSERT_GE(client, 0);
    ASSERT_TRUE(Eventually([&] { return Children() == 1; }));
    EXPECT_EQ(Text(0), QStringLiteral("[fd77::2]:%1").arg(BoundPort(client)));
    ASSERT_TRUE(SendAll(client, "from b"));
    EXPECT_TRUE(ShowsReceived(0, "from b"));
    SendFrom(0, pages::CTcpServerDlg::kSend, "to b");
    EXPECT_EQ(RecvExactly(client, 4), "to b");
}

TEST_F(Ipv6NamespaceTest, Ipv6GroupJoinedByInterfaceNameCarriesBothWays) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%x", static_cast<unsigned>(getpid()) & 0xFFFFu);
    const std::string group = std::string("ff0e::77:") + suffix;  // one group per process
    const int port = port_;
    // A plain member in b, joined on its end of the link.
    ASSERT_TRUE(pair_.EnterB());
    PeerSocket other(UdpBindAny(group.c_str(), port));
    ASSERT_GE(other, 0);
    ipv6_mreq join{};
    join.ipv6mr_multiaddr = Endpoint(group.c_str(), 0).Address6();
    join.ipv6mr_interface = if_nametoindex(pair_.LinkB().c_str());
    ASSERT_EQ(setsockopt(other, IPPROTO_IPV6, IPV6_ADD_MEMBERSHIP, &join, sizeof join), 0);
    int ifindex = static_cast<int>(join.ipv6mr_interface);
    ASSERT_EQ(setsockopt(other, IPPROTO_IPV6, IPV6_MULTICAST_IF, &ifindex, sizeof ifindex), 0);
    ASSERT_TRUE(pair_.Leave());

    Open<pages::CMulticastServerDlg>();
    ASSERT_TRUE(pair_.EnterA());
    AnswerNextPrompt({{pages::kBoxGroup, QString::fromStdString(group)},
                      {pages::kBoxGroupPort, QString::number(port)},
                      {pages::kBoxLocalPort, QString::number(port)},
                      {pages::kBoxInterface, QString::fromStdString(pair_.LinkA())}});
    Click(pages::CUdpClientDlg::kCreate);
    ASSERT_TRUE(pair_.Leave());
    ASSERT_EQ(Children(), 1) << (messages_.empty() ? "" : messages_.back().text.toStdString());
    EXPECT_EQ(Text(0), QStringLiteral("%1:%2<->[%3]:%2")
                           .arg(QString::fromStdString(pair_.LinkA()))
                           .arg(port)
                           .arg(QString::fromStdString(group)));

    SendFrom(0, pages::CUdpClientDlg::kSend, "to the group");
    EXPECT_EQ(UdpRecvAny(other), "to the group");
    ASSERT_TRUE(UdpSendToAny(other, "from b", Endpoint(group.c_str(), port)));
    EXPECT_TRUE(ShowsReceived(0, "from b"));
}

// Namespaces whose veth ends have link-local addresses only, on links named with the 15
// characters an interface name may have at most.
std::string FifteenCharacterPrefix() {
    const std::string pid = std::to_string(getpid());
    return std::string(13 - pid.size(), 'z');  // "v" + prefix + "a" + pid
}

class LinkLocalNamespaceTest : public UdpPageTest {
protected:
    void SetUp() override {
        UdpPageTest::SetUp();
        if (!pair_.Ready())
            GTEST_SKIP() << "needs root, IPv6 and 'ip netns' to build a veth link in namespaces";
        ASSERT_EQ(pair_.LinkA().size(), 15u);
    }
    QString Text(int child) const { return Child(child) ? Child(child)->text(0) : QString(); }
    void TearDown() override {
        pair_.Leave();
        UdpPageTest::TearDown();
    }
    VethNamespaces pair_{FifteenCharacterPrefix(), "fe80::1/64", "fe80::ffff:ffff/64"};
};

// A link-local target typed in full, with brackets and its zone (64 characters), reaches the
// peer through that interface: the zone goes with the address into the connect.
TEST_F(LinkLocalNamespaceTest, ZonedLinkLocalTargetConnectsThroughItsInterface) {
    int port = 0;
    ASSERT_TRUE(pair_.EnterB());
    PeerSocket server(TcpListenAny("::", &port));
    ASSERT_TRUE(pair_.Leave());
    ASSERT_GE(server, 0);
    const QString target = QStringLiteral(" [fe80:0000:0000:0000:0000:0000:255.255.255.255%%1]")
                               .arg(QString::fromStdString(pair_.LinkA()));
    ASSERT_EQ(target.size(), 64);
    Open<pages::CTcpClientDlg>();
    ASSERT_TRUE(pair_.EnterA());
    AnswerNextPrompt({{pages::CDlgSetIp::kBoxAddress, target},
                      {pages::CDlgSetIp::kBoxPort, QString::number(port)}});
    Click(pages::CTcpClientDlg::kCreate);
    if (Children() == 1) {
        ClickItem(Child(0));
        Click(pages::CTcpClientDlg::kConnect);
    }
    ASSERT_TRUE(pair_.Leave());
    ASSERT_EQ(Children(), 1);
    EXPECT_TRUE(Eventually([&] { return Text(0).contains("<->"); })) << Text(0).toStdString();
    // The zone is named as the window's namespace knows the interface's index.
    EXPECT_TRUE(Text(0).contains("<->[fe80::ffff:ffff%")) << Text(0).toStdString();
    EXPECT_TRUE(Text(0).endsWith(QStringLiteral("]:%1").arg(port))) << Text(0).toStdString();
    for (const auto& m : messages_)
        ADD_FAILURE() << m.text.toStdString();
}

}  // namespace
}  // namespace quillet::test
