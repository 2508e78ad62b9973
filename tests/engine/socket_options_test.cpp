// The TCP socket options on real loopback sockets: each option read back from a server's
// listening and accepted sockets and from a client's, the defaults leaving sockets as they were,
// IPv6 only on [::], the source port the server sees, SO_REUSEADDR across TIME_WAIT, and the
// stored text form.
#include "engine/socket_options.h"

#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/endpoint.h"
#include "engine/tcp_engine.h"
#include "tests/common/ipv6_loopback.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;
namespace sock = quillet::engine::sock;
using quillet::engine::IpEndpoint;
using sock::SocketOptions;

namespace {

int Get(int fd, int level, int name) {
    int value = -1;
    socklen_t len = sizeof value;
    EXPECT_EQ(getsockopt(fd, level, name, &value, &len), 0) << name;
    return value;
}

// What a socket of this host has when nobody set anything.
struct Plain {
    int noDelay, keepAlive, idle, interval, count;
};
Plain PlainValues() {
    PeerSocket fd(socket(AF_INET, SOCK_STREAM, 0));
    return {Get(fd, IPPROTO_TCP, TCP_NODELAY), Get(fd, SOL_SOCKET, SO_KEEPALIVE),
            Get(fd, IPPROTO_TCP, TCP_KEEPIDLE), Get(fd, IPPROTO_TCP, TCP_KEEPINTVL),
            Get(fd, IPPROTO_TCP, TCP_KEEPCNT)};
}

// A client socket connected as the client page connects it.
sock::Socket Connect(const IpEndpoint& target, const SocketOptions& options,
                     const IpEndpoint& chosen = {}) {
    const IpEndpoint from = sock::SourceEndpoint(target, chosen, options);
    sock::ConnectStart start = sock::StartConnect(target, from.Empty() ? nullptr : &from,
                                                  options.IsDefault() ? nullptr : &options);
    EXPECT_TRUE(start.ok()) << start.error;
    if (start.ok() && start.pending) {
        pollfd p{start.socket.fd(), POLLOUT, 0};
        EXPECT_EQ(poll(&p, 1, 5000), 1);
        EXPECT_EQ(sock::FinishConnect(start.socket), 0);
    }
    return std::move(start.socket);
}

class SocketOptionsTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (listenFd >= 0)
            sock::CloseSocket(listenFd);
        TearDownEngine(engine);
    }
    int Listen(const IpEndpoint& at, const SocketOptions& options) {
        listenFd = engine.Listen(at, options).fd;
        return listenFd;
    }
    // The socket of the connection accepted last, once it is listed.
    int Accepted(size_t count) {
        EXPECT_TRUE(WaitUntil([&] { return sink.CountNew() >= count; }));
        CCritSecLock lock(g_csConnect);
        ConnectInfo* rec = FindRecord(engine.m_map, sink.Events().back().key);
        return rec ? rec->sock : -1;
    }
    IpEndpoint AcceptedPeer() { return Snapshot(engine, sink.Events().back().key).addrClient; }

    RecordingSink sink;
    TcpEngine engine{&sink};
    int listenFd = -1;
};

struct OptionCase {
    const char* name;
    SocketOptions options;
    int noDelay, keepAlive, idle, interval, count;  // -1: the host's own value
    int listenReuse, clientReuse;
};

SocketOptions Make(bool noDelay, bool keepAlive, int idle, int interval, int count,
                   SocketOptions::Reuse reuse = SocketOptions::Reuse::kDefault) {
    SocketOptions o;
    o.noDelay = noDelay;
    o.keepAlive = keepAlive;
    o.keepIdle = idle;
    o.keepInterval = interval;
    o.keepCount = count;
    o.reuseAddr = reuse;
    return o;
}

const OptionCase kOptionCases[] = {
    {"defaults", {}, -1, -1, -1, -1, -1, 1, 0},
    {"nodelay", Make(true, false, 0, 0, 0), 1, -1, -1, -1, -1, 1, 0},
    {"keepalive_system_timings", Make(false, true, 0, 0, 0), -1, 1, -1, -1, -1, 1, 0},
    {"keepalive_60_10_5", Make(false, true, 60, 10, 5), -1, 1, 60, 10, 5, 1, 0},
    {"keepalive_limits", Make(true, true, 32767, 32767, 127), 1, 1, 32767, 32767, 127, 1, 0},
    {"reuse_off", Make(false, false, 0, 0, 0, SocketOptions::Reuse::kOff), -1, -1, -1, -1, -1, 0,
     0},
    {"reuse_on", Make(false, false, 0, 0, 0, SocketOptions::Reuse::kOn), -1, -1, -1, -1, -1, 1, 1},
};

class OptionsReadBack : public SocketOptionsTest,
                        public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionsReadBack, OnListeningAcceptedAndClientSockets) {
    const OptionCase& c = GetParam();
    const Plain plain = PlainValues();
    auto want = [](int wanted, int own) { return wanted < 0 ? own : wanted; };
    ASSERT_GE(Listen(IpEndpoint(Loopback(0)), c.options), 0);
    sock::Socket client = Connect(IpEndpoint(Loopback(LocalPort(listenFd))), c.options);
    ASSERT_TRUE(client);
    const int accepted = Accepted(1);
    ASSERT_GE(accepted, 0);
    for (int fd : {listenFd, accepted, client.fd()}) {
        SCOPED_TRACE(fd == listenFd ? "listening" : fd == accepted ? "accepted" : "client");
        EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_NODELAY) != 0, want(c.noDelay, plain.noDelay) != 0);
        EXPECT_EQ(Get(fd, SOL_SOCKET, SO_KEEPALIVE) != 0, want(c.keepAlive, plain.keepAlive) != 0);
        EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_KEEPIDLE), want(c.idle, plain.idle));
        EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_KEEPINTVL), want(c.interval, plain.interval));
        EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_KEEPCNT), want(c.count, plain.count));
    }
    EXPECT_EQ(Get(listenFd, SOL_SOCKET, SO_REUSEADDR) != 0, c.listenReuse != 0);
    EXPECT_EQ(Get(client.fd(), SOL_SOCKET, SO_REUSEADDR) != 0, c.clientReuse != 0);
}

INSTANTIATE_TEST_SUITE_P(Each, OptionsReadBack, ::testing::ValuesIn(kOptionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SocketOptionsTest, Ipv6OnlyOnTheWildcardRefusesIpv4ClientsWhereDualStackTakesThem) {
    if (!HaveIpv6Loopback())
        GTEST_SKIP() << "this host has no IPv6 loopback (::1) to test on";
    for (bool v6Only : {false, true}) {
        SCOPED_TRACE(v6Only ? "IPv6 only" : "dual stack");
        SocketOptions options;
        options.v6Only = v6Only;
        TcpEngine server{&sink};
        const int fd = server.Listen(IpEndpoint::AnyV6(0), options).fd;
        ASSERT_GE(fd, 0);
        EXPECT_EQ(Get(fd, IPPROTO_IPV6, IPV6_V6ONLY), v6Only ? 1 : 0);
        const int port = BoundPort(fd);
        PeerSocket v4(TcpConnect(port));
        EXPECT_EQ(v4 >= 0, !v6Only);
        PeerSocket v6(TcpConnectAny("::1", port));
        EXPECT_GE(v6, 0);
        sock::CloseSocket(fd);
        TearDownEngine(server);
    }
}

TEST_F(SocketOptionsTest, ServerSeesTheChosenSourcePortFromTheChosenAddress) {
    ASSERT_GE(Listen(IpEndpoint(Loopback(0)), {}), 0);
    const IpEndpoint target(Loopback(LocalPort(listenFd)));
    SocketOptions options;
    options.sourcePort = FreeTcpPort();
    sock::Socket any = Connect(target, options);
    ASSERT_TRUE(any);
    Accepted(1);
    EXPECT_EQ(AcceptedPeer().Port(), options.sourcePort);
    EXPECT_EQ(AcceptedPeer().AddressText(), "127.0.0.1");

    options.sourcePort = FreeTcpPort();
    sock::Socket from = Connect(target, options, IpEndpoint(Loopback(0, "127.0.0.2")));
    ASSERT_TRUE(from);
    Accepted(2);
    EXPECT_EQ(AcceptedPeer().Port(), options.sourcePort);
    EXPECT_EQ(AcceptedPeer().AddressText(), "127.0.0.2");
}

// True while a connection from local port `port` on 127.0.0.1 waits in TIME_WAIT.
bool InTimeWait(int port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char want[16];
    std::snprintf(want, sizeof want, ":%04X ", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if ((local + " ").find(want) != std::string::npos && state == "06")
            return true;
    }
    return false;
}

TEST_F(SocketOptionsTest, ReuseAddressListensAgainOverTimeWaitAndOffRefuses) {
    const int port = FreeTcpPort();
    const IpEndpoint at(Loopback(port));
    ASSERT_GE(Listen(at, {}), 0);
    PeerSocket client(TcpConnect(port));
    ASSERT_GE(client, 0);
    Accepted(1);
    // The server closes first, so its side of the connection waits in TIME_WAIT.
    DisconnectRecord(engine, sink.Events().back().key);
    ASSERT_TRUE(WaitPeerClosed(client));
    client.Close();
    sock::CloseSocket(listenFd);
    listenFd = -1;
    ASSERT_TRUE(WaitUntil([&] { return InTimeWait(port); }));

    SocketOptions off;
    off.reuseAddr = SocketOptions::Reuse::kOff;
    const sock::Started refused = engine.Listen(at, off);
    EXPECT_EQ(refused.fd, -1);
    EXPECT_EQ(refused.failed, sock::Step::kBind);
    EXPECT_EQ(refused.error, EADDRINUSE);
    EXPECT_GE(Listen(at, {}), 0);  // as always: SO_REUSEADDR
}

TEST(SocketOptionsText, KeepsWhatWasChosenAndDropsWhatCannotBe) {
    SocketOptions all = Make(true, true, 60, 10, 5, SocketOptions::Reuse::kOff);
    all.connectTimeout = 30;
    all.sourcePort = 40000;
    all.v6Only = true;
    EXPECT_EQ(all.ToText(), "nodelay keepalive=60/10/5 timeout=30 sport=40000 v6only reuse=0");
    EXPECT_EQ(SocketOptions::FromText(all.ToText()), all);
    EXPECT_EQ(SocketOptions().ToText(), "");
    EXPECT_TRUE(SocketOptions::FromText("").IsDefault());

    const struct {
        const char* text;
        SocketOptions read;
    } cases[] = {
        {"keepalive=0/10/5", Make(false, true, 0, 10, 5)},
        {"keepalive=32768/x/128", Make(false, true, 0, 0, 0)},
        {"keepalive", Make(false, true, 0, 0, 0)},
        {"timeout=601 sport=65536 reuse=2 mystery", {}},
        {"reuse=1", Make(false, false, 0, 0, 0, SocketOptions::Reuse::kOn)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SocketOptions::FromText(c.text), c.read) << c.text;
}

}  // namespace
