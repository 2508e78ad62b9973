// Automatic replies made by the receiving threads: echo and fixed replies on TCP and UDP, booked
// for the page to log, and a peer that sends without reading, which must not stall the receive
// thread nor let the waiting replies grow past the send queue's bound.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>
#include <thread>

#include "engine/crit_sec.h"
#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;

namespace {

ConnectInfo* OnlyRecord(RecordingSink& sink, ConnectMap& map) {
    if (!WaitUntil([&] { return sink.CountNew() == 1; }))
        return nullptr;
    CCritSecLock lock(g_csConnect);
    return FindRecord(map, sink.Events().front().key);
}

size_t DoneBytes(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    size_t n = 0;
    for (const PendingSend& p : rec->sendQueue.done)
        n += p.bytes.size();
    return n;
}

// A TCP engine that echoes, with one connected peer.
class EchoingTcp : public ::testing::Test {
protected:
    void SetUp() override {
        engine.AutoReplies().Set({AutoReplyRule::Mode::kEcho, {}});
        listenFd = engine.Listen(0);
        ASSERT_GE(listenFd, 0);
        peer = PeerSocket(TcpConnect(LocalPort(listenFd)));
        rec = OnlyRecord(sink, engine.m_map);
        ASSERT_NE(rec, nullptr);
    }
    void TearDown() override {
        if (listenFd >= 0)
            quillet::engine::sock::CloseSocket(listenFd);
        TearDownEngine(engine);
    }

    RecordingSink sink;
    TcpEngine engine{&sink};
    int listenFd = -1;
    PeerSocket peer;
    ConnectInfo* rec = nullptr;
};

}  // namespace

TEST_F(EchoingTcp, EchoAndFixedRepliesGoBackAndAreBooked) {
    ASSERT_TRUE(SendAll(peer, "ping"));
    EXPECT_EQ(RecvExactly(peer, 4), "ping");
    EXPECT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_REPLIED) >= 1; }));
    EXPECT_EQ(DoneBytes(rec), 4u);

    engine.AutoReplies().Set({AutoReplyRule::Mode::kFixed, "ACK\n"});
    ASSERT_TRUE(SendAll(peer, "x"));
    EXPECT_EQ(RecvExactly(peer, 4), "ACK\n");
}

TEST_F(EchoingTcp, APeerThatNeverReadsDoesNotStallReceivingOrGrowTheQueuePastItsBound) {
    const size_t total = SendQueue::kMaxWaitingBytes + (size_t{8} << 20);
    std::thread flood([&] {
        const std::string block(64 * 1024, 'f');
        for (size_t sent = 0; sent < total; sent += block.size())
            if (!SendAll(peer, block))
                break;
    });
    // Every byte is received and counted although no reply is read.
    const bool counted = WaitUntil(
        [&] {
            CCritSecLock lock(g_csConnect);
            return rec->nRecvBytesAll == total;
        },
        std::chrono::seconds(60));
    flood.join();
    EXPECT_TRUE(counted);
    {
        CCritSecLock lock(g_csConnect);
        EXPECT_LE(rec->sendQueue.waitingBytes, SendQueue::kMaxWaitingBytes);
    }
    EXPECT_GT(engine.AutoReplies().Dropped(), 0u);
}

TEST(AutoReplyEngine, UdpRepliesGoToEachSenderFromTheReceivingSocket) {
    RecordingSink sink;
    UdpEngine engine{&sink};
    engine.AutoReplies().Set({AutoReplyRule::Mode::kEcho, {}});
    const int fd = engine.Bind(0);
    ASSERT_GE(fd, 0);
    PeerSocket a(UdpBind(0, "127.0.0.1")), b(UdpBind(0, "127.0.0.2"));
    const int port = LocalPort(fd);
    ASSERT_TRUE(UdpSendTo(a, "from a", port));
    ASSERT_TRUE(UdpSendTo(b, "from b", port));
    bool ok = false;
    sockaddr_in from{};
    EXPECT_EQ(UdpRecv(a, &ok, &from), "from a");
    EXPECT_EQ(ntohs(from.sin_port), port);
    EXPECT_EQ(UdpRecv(b, &ok), "from b");
    EXPECT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_REPLIED) == 2; }));
    quillet::engine::sock::CloseSocket(fd);
    TearDownEngine(engine);
}
