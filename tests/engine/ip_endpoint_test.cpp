// Endpoints of both families: what the address boxes accept and refuse, how endpoints are
// labelled and keyed, and the engines serving IPv4 and IPv6 peers on one dual-stack socket
// over ::1 and 127.0.0.1 (skipped where this host has no IPv6 loopback).
#include "encoding/labels.h"
#include "engine/ip_endpoint.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <poll.h>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/endpoint.h"
#include "engine/local_address.h"
#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"
#include "tests/common/ipv6_loopback.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet;
using namespace quillet::test;

namespace {

AddressForm FormOf(const char* text) {
    return ParseAddress(text).form;
}

std::string Text(const char* text) {
    return ParseAddress(text).address.AddressText();
}

#define SKIP_WITHOUT_IPV6()                                                    \
    do {                                                                       \
        if (!HaveIpv6Loopback())                                               \
            GTEST_SKIP() << "this host has no IPv6 loopback (::1) to test on"; \
    } while (0)

}  // namespace

TEST(IpEndpointParse, AcceptsBothFamiliesWithOrWithoutBracketsAndZones) {
    EXPECT_EQ(Text("192.168.1.5"), "192.168.1.5");
    EXPECT_TRUE(ParseAddress("192.168.1.5").address.IsV4());
    EXPECT_EQ(Text("::1"), "::1");
    EXPECT_EQ(Text("[::1]"), "::1");
    EXPECT_EQ(Text(" [2001:db8::7] "), "2001:db8::7");
    EXPECT_EQ(Text("2001:DB8:0:0::7"), "2001:db8::7");
    EXPECT_EQ(Text("::ffff:10.0.0.1"), "::ffff:10.0.0.1");
    // A zone by the interface's name or number; shown by name.
    const std::string index = std::to_string(if_nametoindex("lo"));
    EXPECT_EQ(Text("fe80::1%lo"), "fe80::1%lo");
    EXPECT_EQ(Text(("fe80::1%" + index).c_str()), "fe80::1%lo");
    EXPECT_EQ(ParseAddress("[fe80::1%lo]").address.Scope(), if_nametoindex("lo"));

    EXPECT_EQ(FormOf(""), AddressForm::kEmpty);
    EXPECT_EQ(FormOf("  "), AddressForm::kEmpty);
    EXPECT_EQ(FormOf("localhost"), AddressForm::kName);
    EXPECT_EQ(FormOf("1.2.3"), AddressForm::kName);  // looked up, then read as inet_addr reads
}

TEST(IpEndpointParse, MalformedIpv6TextsAreNeverNames) {
    for (const char* bad :
         {":::", "1::2::3", "[::1", "::1]", "[]", "[", "]", "%", "::1%", "fe80::1%nosuchif0",
          "[1.2.3.4]", "[::1]:80", "::1 ::2", "1:2:3", "12345::1", "::g", "[[::1]]", "a%b"}) {
        EXPECT_EQ(FormOf(bad), AddressForm::kMalformed) << bad;
    }
}

TEST(IpEndpointLabel, Ipv6InBracketsIpv4AsBefore) {
    EXPECT_EQ(Endpoint("::1", 6000).Label(), "[::1]:6000");
    EXPECT_EQ(Endpoint("fe80::1%lo", 7).Label(), "[fe80::1%lo]:7");
    EXPECT_EQ(Endpoint("10.0.0.1", 8888).Label(), "10.0.0.1:8888");
    EXPECT_EQ(IpEndpoint().Label(), "0.0.0.0:0");  // an unset endpoint reads as it always did
    EXPECT_EQ(enc::FormatEndpoint("::", 5), "[::]:5");
    EXPECT_EQ(enc::FormatEndpoint("myhost", 5), "myhost:5");
    const IpEndpoint v6 = Endpoint("::1", 6000);
    EXPECT_EQ(v6.Family(), AF_INET6);
    EXPECT_EQ(v6.Port(), 6000);
    const RawSockaddr raw = v6.Raw();
    EXPECT_EQ(raw.size, sizeof(sockaddr_in6));
    EXPECT_EQ(IpEndpoint::FromRaw(raw.get(), raw.size), v6);
}

TEST(IpEndpointKey, MappedPeersAreTheirIpv4SelvesAndIpv6KeysNeverMeetIpv4Keys) {
    const IpEndpoint v4 = Endpoint("10.0.0.1", 2000);
    const IpEndpoint mapped = Endpoint("::ffff:10.0.0.1", 2000);
    EXPECT_EQ(UdpKey(v4), UdpKey(mapped));
    EXPECT_EQ(v4, mapped);
    EXPECT_EQ(mapped.Unmapped().Label(), "10.0.0.1:2000");
    EXPECT_EQ(UdpKey(v4), UdpKey(Loopback(2000, "10.0.0.1")));  // the IPv4 key is unchanged

    const uint64_t a = UdpKey(Endpoint("::1", 2000));
    EXPECT_EQ(a, UdpKey(Endpoint("::1", 2000)));
    EXPECT_EQ(a, UdpKey(Endpoint("[0:0::1]", 2000)));
    EXPECT_NE(a, UdpKey(Endpoint("::1", 2001)));
    EXPECT_NE(a, UdpKey(Endpoint("::2", 2000)));
    EXPECT_NE(UdpKey(Endpoint("fe80::1%lo", 1)), UdpKey(Endpoint("fe80::1", 1)));
    // Every IPv4 key is below 2^48; every IPv6 key at 2^63 or above.
    EXPECT_LT(UdpKey(Endpoint("255.255.255.255", 65535)), uint64_t{1} << 48);
    EXPECT_GE(a, uint64_t{1} << 63);
}

TEST(LocalAddresses, HostListHasBothFamiliesAndRoutesPickLoopbackForLoopback) {
    SKIP_WITHOUT_IPV6();
    bool v4 = false, v6 = false;
    for (const HostAddress& h : ListHostAddresses()) {
        v4 = v4 || (h.iface == "lo" && h.address.IsV4());
        v6 = v6 || (h.iface == "lo" && h.address.IsV6());
    }
    EXPECT_TRUE(v4);
    EXPECT_TRUE(v6);
    EXPECT_EQ(InterfaceIndexOf("lo"), if_nametoindex("lo"));
    EXPECT_EQ(InterfaceIndexOf("::1"), if_nametoindex("lo"));
    EXPECT_EQ(InterfaceIndexOf("127.0.0.1"), if_nametoindex("lo"));
    EXPECT_EQ(InterfaceIndexOf("nosuchif0"), 0u);
    EXPECT_EQ(RouteSourceFor(Endpoint("::1", 9)).AddressText(), "::1");
    EXPECT_EQ(RouteSourceFor(Endpoint("127.0.0.1", 9)).AddressText(), "127.0.0.1");
    EXPECT_EQ(RouteSourceFor(Endpoint("127.255.255.255", 9)).AddressText(), "127.0.0.1");

    // The test seam replaces the list.
    SetHostAddressesForTest(std::vector<HostAddress>{{"lo", 1, Endpoint("::1", 0)}});
    ASSERT_EQ(ListHostAddresses().size(), 1u);
    EXPECT_EQ(ListHostAddresses()[0].address.AddressText(), "::1");
    SetHostAddressesForTest(std::nullopt);
}

TEST(DualStack, TcpServerOnTheIpv6WildcardAcceptsBothFamiliesAsThemselves) {
    SKIP_WITHOUT_IPV6();
    RecordingSink sink;
    TcpEngine engine{&sink};
    const int listenFd = engine.Listen(IpEndpoint::AnyV6(0)).fd;
    ASSERT_GE(listenFd, 0);
    const int port = BoundPort(listenFd);
    PeerSocket v4(TcpConnectAny("127.0.0.1", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 1; }));
    PeerSocket v6(TcpConnectAny("::1", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 2; }));
    std::vector<std::string> labels;
    {
        CCritSecLock lock(g_csConnect);
        for (auto& [key, rec] : engine.m_map)
            labels.push_back(rec->addrClient.Label());
    }
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0], "127.0.0.1:" + std::to_string(BoundPort(v4)));
    EXPECT_EQ(labels[1], "[::1]:" + std::to_string(BoundPort(v6)));
    ASSERT_TRUE(SendAll(v6, "six"));
    EXPECT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 1; }));
    quillet::engine::sock::CloseSocket(listenFd);
    TearDownEngine(engine);
}

TEST(DualStack, UdpServerOnTheIpv6WildcardKeysAndAnswersBothFamilies) {
    SKIP_WITHOUT_IPV6();
    RecordingSink sink;
    UdpEngine engine{&sink};
    const int fd = engine.Bind(IpEndpoint::AnyV6(0)).fd;
    ASSERT_GE(fd, 0);
    const int port = BoundPort(fd);
    PeerSocket v4(UdpBindAny("127.0.0.1"));
    PeerSocket v6(UdpBindAny("::1"));
    ASSERT_TRUE(UdpSendToAny(v4, "four", Endpoint("127.0.0.1", port)));
    ASSERT_TRUE(UdpSendToAny(v6, "six", Endpoint("::1", port)));
    ASSERT_TRUE(UdpSendToAny(v4, "again", Endpoint("127.0.0.1", port)));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 3; }));
    EXPECT_EQ(sink.CountNew(), 2u);  // it hears the IPv4 sender as ::ffff:127.0.0.1: one peer
    IpEndpoint peer4 = Endpoint("127.0.0.1", BoundPort(v4));
    IpEndpoint peer6 = Endpoint("::1", BoundPort(v6));
    {
        CCritSecLock lock(g_csConnect);
        ConnectInfo* r4 = FindRecord(engine.m_map, UdpKey(peer4));
        ConnectInfo* r6 = FindRecord(engine.m_map, UdpKey(peer6));
        ASSERT_TRUE(r4 && r6);
        EXPECT_EQ(r4->addrClient.Label(), peer4.Label());
        EXPECT_EQ(r4->nRecvBytes, 9u);
        EXPECT_EQ(r6->addrClient.Label(), peer6.Label());
    }
    // Answers go back to each family, the IPv4 peer through its mapped address.
    EXPECT_EQ(UdpEngine::SendTo(fd, "to4", 3, peer4), 3);
    EXPECT_EQ(UdpEngine::SendTo(fd, "to6", 3, peer6), 3);
    EXPECT_EQ(UdpRecvAny(v4), "to4");
    EXPECT_EQ(UdpRecvAny(v6), "to6");
    quillet::engine::sock::CloseSocket(fd);
    TearDownEngine(engine);
}

TEST(Ipv6Endpoint, ConnectFromAChosenAddressAndAnIpv6OnlyUdpEndpoint) {
    SKIP_WITHOUT_IPV6();
    int port = 0;
    PeerSocket server(TcpListenAny("::1", &port));
    ASSERT_GE(server, 0);
    const IpEndpoint from = Endpoint("::1", 0);
    sock::ConnectStart start = sock::StartConnect(Endpoint("::1", port), &from);
    ASSERT_TRUE(start.ok()) << start.error;
    if (start.pending) {
        pollfd wait{start.socket.fd(), POLLOUT, 0};
        ASSERT_EQ(poll(&wait, 1, 5000), 1);
        ASSERT_EQ(sock::FinishConnect(start.socket), 0);
    }
    EXPECT_EQ(sock::LocalAddress(start.socket.fd()).address.AddressText(), "::1");
    // An IPv4 local address cannot reach an IPv6 target: the bind step says so.
    const IpEndpoint v4 = Endpoint("127.0.0.1", 0);
    EXPECT_EQ(sock::StartConnect(Endpoint("::1", port), &v4).failed, sock::Step::kBind);

    sock::UdpOptions options;
    options.local = Endpoint("::1", 0);
    sock::UdpEndpoint endpoint = sock::OpenUdpEndpoint(options);
    ASSERT_TRUE(endpoint.ok()) << endpoint.error;
    EXPECT_TRUE(endpoint.bound.IsV6());
    PeerSocket v4peer(UdpBindAny("127.0.0.1"));
    // Bound to ::1 only: IPv4 sends cannot reach it, IPv6 ones can.
    PeerSocket v6peer(UdpBindAny("::1"));
    ASSERT_TRUE(UdpSendToAny(v6peer, "hi", endpoint.bound));
    char buf[4] = {};
    EXPECT_EQ(recv(endpoint.socket.fd(), buf, sizeof buf, 0), 2);
}

namespace {

struct ViewCase {
    const char* ip;
    int port;
    int family;
};

class IpEndpointViews : public ::testing::TestWithParam<ViewCase> {};

}  // namespace

// Each view keeps the family, address and port; an IPv6 endpoint has no IPv4 view to be
// mistaken for one.
TEST_P(IpEndpointViews, KeepFamilyAddressAndPortAndNeverPassIpv6AsIpv4) {
    const ViewCase& c = GetParam();
    const IpEndpoint e = Endpoint(c.ip, c.port);
    ASSERT_EQ(e.Family(), c.family);
    EXPECT_EQ(e.Port(), c.port);
    EXPECT_EQ(e.NetworkPort(), htons(static_cast<uint16_t>(c.port)));
    const RawSockaddr raw = e.Raw();
    EXPECT_EQ(raw.get()->sa_family, c.family);
    const IpEndpoint back = IpEndpoint::FromRaw(raw.get(), raw.size);
    EXPECT_EQ(back, e);
    EXPECT_EQ(back.Label(), e.Label());
    if (c.family == AF_INET6) {
        EXPECT_EQ(raw.size, sizeof(sockaddr_in6));
        EXPECT_EQ(e.AsV4().sin_family, 0);
        EXPECT_EQ(e.Address4(), 0u);
        EXPECT_EQ(IpEndpoint(e.AsV6()), e);
    } else {
        EXPECT_EQ(raw.size, sizeof(sockaddr_in));
        EXPECT_EQ(e.AsV6().sin6_family, 0);
        EXPECT_EQ(IpEndpoint(e.AsV4()), e);
        EXPECT_EQ(e.Address4(), inet_addr(c.ip));
    }
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, IpEndpointViews,
                         ::testing::Values(ViewCase{"127.0.0.1", 7001, AF_INET},
                                           ViewCase{"10.1.2.3", 65535, AF_INET},
                                           ViewCase{"::1", 7002, AF_INET6},
                                           ViewCase{"fe80::1%lo", 7003, AF_INET6},
                                           ViewCase{"::ffff:10.0.0.1", 7004, AF_INET6}));

namespace {

class SenderOfFamily : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (std::string(GetParam()) == "::1")
            SKIP_WITHOUT_IPV6();
    }
    // What a record says of its peer, against the peer socket's own address.
    static void ExpectPeer(const IpEndpoint& got, int peerFd) {
        const IpEndpoint want = Endpoint(GetParam(), BoundPort(peerFd));
        EXPECT_EQ(got.Family(), want.Family());
        EXPECT_EQ(got.AddressText(), GetParam());
        EXPECT_EQ(got.Port(), want.Port());
    }
};

}  // namespace

// A datagram's sender becomes its peer record's address as it was, and the answer to that
// address reaches the sender.
TEST_P(SenderOfFamily, UdpPeerRecordKeepsTheSenderAndIsAnsweredThere) {
    RecordingSink sink;
    UdpEngine engine{&sink};
    const int fd = engine.Bind(Endpoint(GetParam(), 0)).fd;
    ASSERT_GE(fd, 0);
    PeerSocket peer(UdpBindAny(GetParam()));
    ASSERT_TRUE(UdpSendToAny(peer, "hi", Endpoint(GetParam(), BoundPort(fd))));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 1; }));
    IpEndpoint sender;
    {
        CCritSecLock lock(g_csConnect);
        ASSERT_EQ(engine.m_map.size(), 1u);
        sender = engine.m_map.begin()->second->addrClient;
    }
    ExpectPeer(sender, peer);
    EXPECT_EQ(UdpEngine::SendTo(fd, "back", 4, sender), 4);
    EXPECT_EQ(UdpRecvAny(peer), "back");
    quillet::engine::sock::CloseSocket(fd);
    TearDownEngine(engine);
}

TEST_P(SenderOfFamily, AcceptedTcpPeerKeepsItsAddress) {
    RecordingSink sink;
    TcpEngine engine{&sink};
    const int listenFd = engine.Listen(Endpoint(GetParam(), 0)).fd;
    ASSERT_GE(listenFd, 0);
    PeerSocket peer(TcpConnectAny(GetParam(), BoundPort(listenFd)));
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 1; }));
    IpEndpoint accepted;
    {
        CCritSecLock lock(g_csConnect);
        ASSERT_EQ(engine.m_map.size(), 1u);
        accepted = engine.m_map.begin()->second->addrClient;
    }
    ExpectPeer(accepted, peer);
    quillet::engine::sock::CloseSocket(listenFd);
    TearDownEngine(engine);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, SenderOfFamily, ::testing::Values("127.0.0.1", "::1"));
