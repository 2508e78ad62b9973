// The accept thread at the process's limits: descriptors kept for the window system, threads that
// cannot be made, and many clients at once while the page is busy.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "engine/descriptor_budget.h"
#include "engine/tcp_engine.h"
#include "engine/worker_group.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;

namespace {

// Sets the soft open-file limit for a test's span.
class SoftFileLimit {
public:
    explicit SoftFileLimit(rlim_t soft) {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit changed = saved_;
        changed.rlim_cur = soft;
        ok_ = setrlimit(RLIMIT_NOFILE, &changed) == 0;
    }
    ~SoftFileLimit() { Restore(); }
    void Restore() { setrlimit(RLIMIT_NOFILE, &saved_); }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    bool ok_ = false;
};

class AcceptLimitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        listenFd = engine.Listen(0);
        ASSERT_GE(listenFd, 0);
        port = LocalPort(listenFd);
    }
    void TearDown() override {
        quillet::engine::WorkerGroup::FailNextSpawnsForTest(0);
        quillet::engine::sock::CloseSocket(listenFd);
        TearDownEngine(engine);
        for (int fd : peers)
            CloseFd(fd);
    }

    RecordingSink sink;
    TcpEngine engine{&sink};
    int listenFd = -1;
    int port = 0;
    std::vector<int> peers;
};

TEST(DescriptorBudget, RaisesTheSoftLimitToTheHardOneAndKeepsTheTopFree) {
    rlimit before{};
    getrlimit(RLIMIT_NOFILE, &before);
    {
        SoftFileLimit low(before.rlim_max > 1024 ? 1024 : before.rlim_max);
        ASSERT_TRUE(low.ok());
        EXPECT_EQ(quillet::engine::fd::RaiseOpenFileLimit(), before.rlim_max);
        rlimit now{};
        getrlimit(RLIMIT_NOFILE, &now);
        EXPECT_EQ(now.rlim_cur, before.rlim_max);
    }
    SoftFileLimit limit(1024);
    ASSERT_TRUE(limit.ok());
    const int headroom = quillet::engine::fd::Headroom();
    EXPECT_GE(headroom, 8);
    EXPECT_FALSE(quillet::engine::fd::InHeadroom(1023 - headroom));
    EXPECT_TRUE(quillet::engine::fd::InHeadroom(1024 - headroom));
    EXPECT_TRUE(quillet::engine::fd::InHeadroom(1023));
}

// Peers beyond what the limit leaves for them are closed at once, told once, and the thread
// goes on: once the limit allows it, the next peer is served.
TEST_F(AcceptLimitsTest, PeersBeyondTheBudgetSeeACleanCloseAndAcceptingResumes) {
    // The next descriptor the engine gets lies in the headroom.
    const int probe = dup(0);
    ASSERT_GE(probe, 0);
    close(probe);
    SoftFileLimit limit(static_cast<rlim_t>(probe + 8));
    ASSERT_TRUE(limit.ok());
    ASSERT_TRUE(quillet::engine::fd::InHeadroom(probe));
    for (int i = 0; i < 5; ++i) {
        peers.push_back(TcpConnect(port));
        ASSERT_GE(peers.back(), 0);
    }
    for (int fd : peers)
        EXPECT_TRUE(WaitPeerClosed(fd));
    EXPECT_TRUE(WaitUntil([&] { return sink.refused == 5u; }));
    EXPECT_EQ(engine.RefusedConnections(), 5u);
    EXPECT_EQ(MapSize(engine), 0u);

    limit.Restore();
    const int next = TcpConnect(port);
    peers.push_back(next);
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 1; }));
    ASSERT_TRUE(SendAll(next, "in"));
    EXPECT_TRUE(WaitUntil([&] { return Snapshot(engine, sink.Events()[0].key).nRecvBytes == 2; }));
}

// A thread the system will not make ends that connection as if its peer had left; the engine
// carries on and the next connection gets its thread.
TEST_F(AcceptLimitsTest, NoThreadForAConnectionClosesItAndTellsThePage) {
    quillet::engine::WorkerGroup::FailNextSpawnsForTest(1);
    peers.push_back(TcpConnect(port));
    EXPECT_TRUE(WaitPeerClosed(peers.back()));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 1; }));
    const std::vector<SinkEvent> events = sink.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(events[0].kind.has_value());
    EXPECT_EQ(events[1].key, events[0].key);
    EXPECT_EQ(Snapshot(engine, events[0].key).sock, -1);
    // Counted and reported as a shortage, as refused descriptors are.
    EXPECT_EQ(engine.ConnectionsWithoutThread(), 1u);
    EXPECT_TRUE(WaitUntil([&] { return sink.refusedCalls >= 1u; }));

    peers.push_back(TcpConnect(port));
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 2; }));
    ASSERT_TRUE(SendAll(peers.back(), "ok"));
    EXPECT_TRUE(
        WaitUntil([&] { return Snapshot(engine, sink.Events().back().key).nRecvBytes == 2; }));
}

TEST_F(AcceptLimitsTest, NoThreadForAClientConnectionClosesItsSocket) {
    int serverPort = 0;
    const int server = TcpListen(&serverPort);
    ASSERT_GE(server, 0);
    peers.push_back(server);
    auto* rec = new ConnectInfo;
    rec->sock = TcpConnect(serverPort);
    ASSERT_GE(rec->sock, 0);
    engine.AddClient(rec);
    const int accepted = TcpAccept(server);
    ASSERT_GE(accepted, 0);
    peers.push_back(accepted);
    quillet::engine::WorkerGroup::FailNextSpawnsForTest(1);
    EXPECT_EQ(engine.StartReceive(rec).failed, quillet::engine::sock::Step::kThread);
    EXPECT_EQ(Snapshot(engine, rec->nId).sock, -1);
    EXPECT_TRUE(WaitPeerClosed(accepted));
    // Listening needs a thread too: without one nothing is left open.
    quillet::engine::WorkerGroup::FailNextSpawnsForTest(1);
    EXPECT_EQ(engine.Listen(0), -1);
}

// The listen queue is as long as the system allows, so that many clients connecting while the
// page is held up all complete their handshake and are accepted once it goes on.
TEST_F(AcceptLimitsTest, ManyClientsAtOnceAreAllAcceptedWhileThePageIsBusy) {
    tcp_info info{};
    socklen_t len = sizeof info;
    ASSERT_EQ(getsockopt(listenFd, IPPROTO_TCP, TCP_INFO, &info, &len), 0);
    int somaxconn = SOMAXCONN;
    if (FILE* f = fopen("/proc/sys/net/core/somaxconn", "r")) {
        EXPECT_EQ(fscanf(f, "%d", &somaxconn), 1);
        fclose(f);
    }
    EXPECT_EQ(info.tcpi_sacked, static_cast<unsigned>(somaxconn));  // a listener's backlog

    constexpr int kClients = 500;
    std::atomic<bool> pageBusy{true};
    sink.onNew = [&](ConnectInfo*) { WaitUntil([&] { return !pageBusy.load(); }); };
    for (int i = 0; i < kClients; ++i) {
        peers.push_back(TcpConnect(port));
        ASSERT_GE(peers.back(), 0) << i;
    }
    pageBusy = false;
    EXPECT_TRUE(WaitUntil([&] { return sink.CountNew() == static_cast<size_t>(kClients); },
                          std::chrono::seconds(20)));
    EXPECT_EQ(engine.RefusedConnections(), 0u);
    // Nothing is left in the queue.
    ASSERT_EQ(getsockopt(listenFd, IPPROTO_TCP, TCP_INFO, &info, &len), 0);
    EXPECT_EQ(info.tcpi_unacked, 0u);
}

}  // namespace
