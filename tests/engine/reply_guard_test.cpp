// What keeps automatic replies from being turned against anyone: the program never answers its
// own sockets, and each peer's replies stay within what it sent plus an allowance; replies that
// go out are counted exactly, however many the page is too busy to log.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/auto_reply.h"
#include "engine/crit_sec.h"
#include "engine/endpoint.h"
#include "engine/own_endpoints.h"
#include "engine/record_store.h"
#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;
using Clock = std::chrono::steady_clock;

namespace {

CounterSnapshot CountersOf(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    return ReadCounters(rec->counters, Clock::now());
}

ConnectInfo* RecordAt(ConnectMap& map, uint64_t key) {
    CCritSecLock lock(g_csConnect);
    return FindRecord(map, key);
}

// Restores the default allowance after a test that changes it.
struct AllowanceScope {
    explicit AllowanceScope(int64_t bytes) { SetReplyAllowance(bytes); }
    ~AllowanceScope() { SetReplyAllowance(kDefaultReplyAllowance); }
};

struct BudgetCase {
    int64_t allowance;
    size_t requests;  // all in one second
    size_t inBytes, outBytes;
    size_t admitted;
};

class ReplyBudgetTable : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(ReplyBudgetTable, RepliesStayWithinWhatCameInPlusTheAllowance) {
    const BudgetCase c = GetParam();
    AllowanceScope scope(c.allowance);
    ReplyBudget budget;
    RecordCounters counters;
    const Clock::time_point now = Clock::now();
    size_t admitted = 0;
    for (size_t i = 0; i < c.requests; ++i)
        admitted +=
            AdmitReply(budget, counters, c.inBytes, c.outBytes, false, now) == ReplyVerdict::kSend;
    EXPECT_EQ(admitted, c.admitted);
    EXPECT_EQ(counters.repliesOverBudget, c.requests - c.admitted);
    // The next second starts afresh.
    EXPECT_EQ(AdmitReply(budget, counters, c.inBytes, c.outBytes, false,
                         now + std::chrono::seconds(1)) == ReplyVerdict::kSend,
              c.admitted > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplyBudgetTable,
    ::testing::Values(BudgetCase{kDefaultReplyAllowance, 1000, 1, 1000, 66},  // forged requests
                      BudgetCase{kDefaultReplyAllowance, 1000, 1000, 1000, 1000},  // an echo
                      BudgetCase{0, 10, 1, 1000, 0},
                      BudgetCase{-1, 1000, 1, 1000, 1000}));  // no budget

TEST(ReplyBudget, TheProgramsOwnSocketsAreNeverAnswered) {
    ReplyBudget budget;
    RecordCounters counters;
    EXPECT_EQ(AdmitReply(budget, counters, 1, 1, true, Clock::now()), ReplyVerdict::kOwnSocket);
    EXPECT_EQ(counters.repliesToOwn, 1u);
}

// A datagram whose source is the echoing socket itself is logged but never answered: no
// endless exchange with itself. Another sender is still answered.
TEST(OwnSockets, ASelfAddressedDatagramIsNotAnswered) {
    RecordingSink sink;
    UdpEngine engine{&sink};
    engine.AutoReplies().Set({AutoReplyRule::Mode::kEcho, {}});
    const int fd = engine.Bind(quillet::engine::IpEndpoint::V4(htonl(INADDR_LOOPBACK), 0)).fd;
    ASSERT_GE(fd, 0);
    const int port = LocalPort(fd);
    const quillet::engine::IpEndpoint self =
        quillet::engine::IpEndpoint::V4(htonl(INADDR_LOOPBACK), port);
    EXPECT_TRUE(quillet::engine::own::IsOwn(quillet::engine::own::Proto::kUdp, self));
    ASSERT_EQ(UdpEngine::SendTo(fd, "loop", 4, self), 4);
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 1; }));
    ConnectInfo* own = RecordAt(engine.m_map, UdpKey(self));
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return CountersOf(own).repliesToOwn == 1; }));

    PeerSocket other(UdpBind(0));
    ASSERT_TRUE(UdpSendTo(other, "hi", port));
    bool ok = false;
    EXPECT_EQ(UdpRecv(other, &ok), "hi");
    // The other sender's reply came after the self-addressed datagram was handled: it was the
    // only one, and nothing was sent to itself.
    EXPECT_EQ(CountersOf(own).recvMessages, 1u);
    EXPECT_EQ(CountersOf(own).repliesToOwn, 1u);
    quillet::engine::sock::CloseSocket(fd);
    TearDownEngine(engine);
    EXPECT_FALSE(quillet::engine::own::IsOwn(quillet::engine::own::Proto::kUdp, self));
}

// The program's own TCP client and server pages, both echoing: the server does not answer its
// own client, so the text is not bounced back and forth.
TEST(OwnSockets, OwnTcpClientAndServerDoNotEchoEachOther) {
    RecordingSink serverSink, clientSink;
    TcpEngine server{&serverSink}, client{&clientSink};
    server.AutoReplies().Set({AutoReplyRule::Mode::kEcho, {}});
    client.AutoReplies().Set({AutoReplyRule::Mode::kEcho, {}});
    const int listenFd = server.Listen(0);
    ASSERT_GE(listenFd, 0);
    quillet::engine::sock::ConnectStart start = quillet::engine::sock::StartConnect(
        quillet::engine::IpEndpoint::V4(htonl(INADDR_LOOPBACK), LocalPort(listenFd)));
    ASSERT_TRUE(start.socket);
    if (start.pending) {
        pollfd wait{start.socket.fd(), POLLOUT, 0};
        ASSERT_EQ(poll(&wait, 1, 5000), 1);
        ASSERT_EQ(quillet::engine::sock::FinishConnect(start.socket), 0);
    }
    auto made = std::make_unique<ConnectInfo>();
    made->sock = start.socket.release();
    ConnectInfo* mine = client.AddClient(std::move(made));
    ASSERT_TRUE(client.StartReceive(mine).ok());
    ASSERT_TRUE(WaitUntil([&] { return serverSink.CountNew() == 1; }));
    ConnectInfo* accepted = RecordAt(server.m_map, serverSink.Events()[0].key);

    ASSERT_EQ(client.Send(mine, "ping", u"ping"), TcpEngine::SendResult::kAll);
    EXPECT_TRUE(WaitUntil([&] { return CountersOf(accepted).repliesToOwn == 1; }));
    EXPECT_EQ(CountersOf(accepted).recvBytes, 4u);
    EXPECT_EQ(CountersOf(mine).recvBytes, 0u);
    quillet::engine::sock::CloseSocket(listenFd);
    TearDownEngine(client);
    TearDownEngine(server);
}

// A fixed reply of 1,000 bytes to forged 1-byte requests: with no allowance none goes out (they
// are counted); with the budget off every one does.
TEST(ReplyBudget, ForgedRequestsGetNoMoreThanTheirBudget) {
    for (const int64_t allowance : {int64_t{0}, int64_t{-1}}) {
        AllowanceScope scope(allowance);
        RecordingSink sink;
        UdpEngine engine{&sink};
        engine.AutoReplies().Set({AutoReplyRule::Mode::kFixed, std::string(1000, 'R')});
        const int fd = engine.Bind(quillet::engine::IpEndpoint::V4(htonl(INADDR_LOOPBACK), 0)).fd;
        ASSERT_GE(fd, 0);
        PeerSocket victim(UdpBind(0));
        constexpr int kRequests = 20;
        for (int i = 0; i < kRequests; ++i)
            ASSERT_TRUE(UdpSendTo(victim, "?", LocalPort(fd)));
        ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 1; }));
        ConnectInfo* rec = RecordAt(engine.m_map, sink.Events()[0].key);
        ASSERT_TRUE(WaitUntil([&] {
            const CounterSnapshot c = CountersOf(rec);
            return c.recvMessages == kRequests &&
                   c.repliesOverBudget + sink.Count(UPDATE_REPLIED) >=
                       static_cast<size_t>(kRequests);
        }));
        const CounterSnapshot c = CountersOf(rec);
        if (allowance == 0) {
            EXPECT_EQ(c.repliesOverBudget, static_cast<uint64_t>(kRequests));
        } else {
            EXPECT_EQ(c.repliesOverBudget, 0u);
            bool ok = false;
            EXPECT_EQ(UdpRecv(victim, &ok).size(), 1000u);
        }
        quillet::engine::sock::CloseSocket(fd);
        TearDownEngine(engine);
    }
}

// An echo to a peer that sends far more than it reads: every reply byte the peer gets is one the
// record's booking accounts for (logged, counted unlogged, or cut), none more and none less.
TEST(ReplyCounting, EchoToAPeerThatReadsLateIsBookedExactly) {
    RecordingSink sink;
    TcpEngine engine{&sink};
    engine.AutoReplies().Set({AutoReplyRule::Mode::kEcho, {}});
    const int listenFd = engine.Listen(0);
    ASSERT_GE(listenFd, 0);
    PeerSocket peer(TcpConnect(LocalPort(listenFd)));
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 1; }));
    ConnectInfo* rec = RecordAt(engine.m_map, sink.Events()[0].key);
    const size_t total = SendQueue::kMaxWaitingBytes + (size_t{16} << 20);
    std::thread flood([&] {
        const std::string block(64 * 1024, 'e');
        for (size_t sent = 0; sent < total; sent += block.size())
            if (!SendAll(peer, block))
                break;
    });
    const bool received = WaitUntil(
        [&] {
            CCritSecLock lock(g_csConnect);
            return rec->nRecvBytesAll == total;
        },
        std::chrono::seconds(60));
    flood.join();
    ASSERT_TRUE(received);
    // Now the peer reads everything the queue still holds.
    fcntl(peer, F_SETFL, fcntl(peer, F_GETFL) | O_NONBLOCK);
    uint64_t got = 0;
    std::string buf(1 << 20, '\0');
    auto readSome = [&] {
        ssize_t n;
        while ((n = recv(peer, buf.data(), buf.size(), 0)) > 0)
            got += static_cast<uint64_t>(n);
        return n;
    };
    const bool drained = WaitUntil(
        [&] {
            readSome();
            CCritSecLock lock(g_csConnect);
            return rec->sendQueue.pending.empty() && !rec->sendQueue.writer;
        },
        std::chrono::seconds(60));
    ASSERT_TRUE(drained);
    {
        CCritSecLock lock(g_csConnect);  // what the socket still holds reaches the peer, then EOF
        shutdown(rec->sock, SHUT_WR);
    }
    ASSERT_TRUE(WaitUntil([&] { return readSome() == 0; }, std::chrono::seconds(30)));
    uint64_t booked = 0;
    const RecordStore::SendNews news = engine.m_store.TakeSendNews(rec);
    for (const PendingSend& item : news.done)
        booked += item.bytes.size();
    for (const PendingSend& item : news.lost)
        booked += item.taken;
    booked += news.unloggedBytes;
    EXPECT_EQ(booked, got);
    EXPECT_GT(engine.AutoReplies().Dropped(), 0u);  // the queue's bound was reached
    quillet::engine::sock::CloseSocket(listenFd);
    TearDownEngine(engine);
}

}  // namespace
