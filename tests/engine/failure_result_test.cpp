// What the engines say when they cannot start or send: the step that failed and its errno.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"
#include "engine/worker_group.h"
#include "tests/common/loopback_peer.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;
namespace sock = quillet::engine::sock;
using quillet::engine::IpEndpoint;

namespace {

struct Engines {
    RecordingSink sink;
    TcpEngine tcp{&sink};
    UdpEngine udp{&sink};
    ~Engines() {
        TearDownEngine(tcp);
        TearDownEngine(udp);
    }
};

// Ports on 127.0.0.1 that the test's own sockets hold.
struct Taken {
    int tcp = 0;  // listening
    int udp = 0;  // bound
};
struct StartCase {
    const char* name;
    std::function<sock::Started(Engines&, const Taken&)> start;
    bool noThread;  // worker threads are refused for the call
    sock::Step step;
    int error;
};

class StartFailureTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartFailureTest, SaysWhichStepFailedAndItsErrno) {
    const StartCase& c = GetParam();
    Taken taken;
    PeerSocket listener(TcpListen(&taken.tcp));
    ASSERT_GE(listener.fd(), 0);
    PeerSocket bound(UdpBind(0));
    ASSERT_GE(bound.fd(), 0);
    taken.udp = LocalPort(bound);
    Engines engines;
    if (c.noThread)
        quillet::engine::WorkerGroup::FailNextSpawnsForTest(1);
    const sock::Started started = c.start(engines, taken);
    quillet::engine::WorkerGroup::FailNextSpawnsForTest(0);
    EXPECT_FALSE(started.ok());
    EXPECT_EQ(started.fd, -1);
    EXPECT_EQ(started.failed, c.step);
    EXPECT_EQ(started.error, c.error);
}

IpEndpoint At(int port) {
    return IpEndpoint(Loopback(port));
}

INSTANTIATE_TEST_SUITE_P(
    Engines, StartFailureTest,
    ::testing::Values(StartCase{"TcpListenOnPortInUse",
                                [](Engines& e, const Taken& t) { return e.tcp.Listen(At(t.tcp)); },
                                false, sock::Step::kBind, EADDRINUSE},
                      StartCase{"UdpBindOnPortInUse",
                                [](Engines& e, const Taken& t) { return e.udp.Bind(At(t.udp)); },
                                false, sock::Step::kBind, EADDRINUSE},
                      StartCase{"TcpListenWithoutThread",
                                [](Engines& e, const Taken&) { return e.tcp.Listen(At(0)); }, true,
                                sock::Step::kThread, 0},
                      StartCase{"UdpBindWithoutThread",
                                [](Engines& e, const Taken&) { return e.udp.Bind(At(0)); }, true,
                                sock::Step::kThread, 0}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

struct SendCase {
    const char* name;
    int len;
    int error;
};

class SendFailureTest : public ::testing::TestWithParam<SendCase> {};

// A record without a socket, or a negative length: -1 and an errno that says which, never a
// stale one.
TEST_P(SendFailureTest, ReportsTheErrno) {
    const SendCase& c = GetParam();
    ConnectInfo rec;
    rec.sock = -1;
    const IpEndpoint to = IpEndpoint(Loopback(9));
    PeerSocket udp(UdpBind(0));
    const int fd = c.error == EBADF ? -1 : udp.fd();
    if (c.error != EBADF) {
        CCritSecLock lock(g_csConnect);
        rec.sock = udp.fd();
    }
    int tcpError = 0, udpError = 0, toError = 0;
    errno = 0;
    EXPECT_EQ(TcpEngine::SendOnRecord(&rec, "x", c.len, &tcpError), -1);
    EXPECT_EQ(errno, c.error);
    EXPECT_EQ(UdpEngine::SendOnRecord(&rec, "x", c.len, to, &udpError), -1);
    EXPECT_EQ(UdpEngine::SendTo(fd, "x", c.len, to, &toError), -1);
    EXPECT_EQ(tcpError, c.error);
    EXPECT_EQ(udpError, c.error);
    EXPECT_EQ(toError, c.error);
    CCritSecLock lock(g_csConnect);
    rec.sock = -1;  // the test's PeerSocket closes it
}

INSTANTIATE_TEST_SUITE_P(Engines, SendFailureTest,
                         ::testing::Values(SendCase{"NoSocket", 1, EBADF},
                                           SendCase{"NegativeLength", -1, EINVAL}),
                         [](const ::testing::TestParamInfo<SendCase>& info) {
                             return info.param.name;
                         });

}  // namespace
