// Worker threads parked between connections: a run of short connections is served by the same
// thread, a parked thread serves its next connection as a new one would, no more than a bounded
// number wait, idle ones leave, and teardown ends every thread whatever it is doing.
#include <alloca.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/tcp_engine.h"
#include "engine/worker_group.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;
using quillet::engine::WorkerGroup;

namespace {

class WorkerPoolTest : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    void TearDown() override {
        WorkerGroup::FailNextSpawnsForTest(0);
        WorkerGroup::SetParkedIdleForTest(WorkerGroup::kParkedIdle);
        Stop();
    }
    void Start() {
        engine = std::make_unique<TcpEngine>(&sink);
        listenFd = engine->Listen(0);
        ASSERT_GE(listenFd, 0);
        port = LocalPort(listenFd);
    }
    void Stop() {
        quillet::engine::sock::CloseSocket(listenFd);
        TearDownEngine(*engine);
        engine.reset();
    }
    // Every receive thread has ended its connection: only the accept thread runs a body.
    bool OnlyAccepting() { return engine->LiveWorkers() == 1; }

    uint64_t LastNewKey() {
        uint64_t key = 0;
        for (const SinkEvent& e : sink.Events())
            if (!e.kind)
                key = e.key;
        return key;
    }
    // The thread that told the close of `key`, if it was told.
    bool ClosedBy(uint64_t key, std::thread::id* thread) {
        for (const SinkEvent& e : sink.Events()) {
            if (e.kind == UPDATE_CLOSED && e.key == key) {
                *thread = e.thread;
                return true;
            }
        }
        return false;
    }
    // A connection that sends `text` and leaves: its text logged, its close told, its receive
    // thread parked again. Returns the thread that served it.
    std::thread::id ServeOne(const std::string& text) {
        const size_t before = sink.CountNew();
        PeerSocket peer(TcpConnect(port));
        EXPECT_TRUE(WaitUntil([&] { return sink.CountNew() > before; }));
        const uint64_t key = LastNewKey();
        EXPECT_TRUE(SendAll(peer, text));
        EXPECT_TRUE(WaitUntil([&] { return Snapshot(*engine, key).nRecvBytes == text.size(); }));
        peer.Close();
        std::thread::id thread;
        EXPECT_TRUE(WaitUntil([&] { return ClosedBy(key, &thread); }));
        EXPECT_TRUE(WaitUntil([&] { return OnlyAccepting(); }));
        const ConnectInfo rec = Snapshot(*engine, key);
        EXPECT_EQ(rec.sock, -1);
        EXPECT_EQ(LinesOf(rec.strRecv),
                  std::vector<std::u16string>{std::u16string(text.begin(), text.end())});
        // One thread served the connection from its first chunk to its close.
        for (const SinkEvent& e : sink.Events()) {
            if (e.key == key && e.kind) {
                EXPECT_EQ(e.thread, thread);
            }
        }
        return thread;
    }

    RecordingSink sink;
    std::unique_ptr<TcpEngine> engine;
    int listenFd = -1;
    int port = 0;
};

}  // namespace

TEST_F(WorkerPoolTest, ShortConnectionsInSequenceAreServedByOneParkedThread) {
    std::set<std::thread::id> threads;
    for (int i = 0; i < 20; ++i)
        threads.insert(ServeOne("connection " + std::to_string(i)));
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(engine->ThreadsMade(), 2u);  // the accept thread and one receive thread
    EXPECT_EQ(engine->ParkedWorkers(), 1u);
}

TEST_F(WorkerPoolTest, NoMoreThanTheBoundWaitParkedAndTheyServeTheNextConnections) {
    const size_t count = WorkerGroup::kMaxParked + 8;
    std::vector<PeerSocket> peers;
    for (size_t i = 0; i < count; ++i)
        peers.emplace_back(TcpConnect(port));
    ASSERT_TRUE(WaitUntil([&] { return engine->LiveWorkers() == count + 1; }));
    peers.clear();
    ASSERT_TRUE(WaitUntil([&] { return OnlyAccepting(); }));
    EXPECT_EQ(engine->ParkedWorkers(), WorkerGroup::kMaxParked);
    const size_t made = engine->ThreadsMade();
    EXPECT_EQ(made, count + 1);
    for (int i = 0; i < 5; ++i)
        ServeOne("again " + std::to_string(i));
    EXPECT_EQ(engine->ThreadsMade(), made);
}

TEST_F(WorkerPoolTest, IdleParkedThreadsLeaveAndTheNextConnectionGetsANewOne) {
    Stop();
    WorkerGroup::SetParkedIdleForTest(std::chrono::milliseconds(20));
    Start();
    std::vector<PeerSocket> peers;
    for (int i = 0; i < 4; ++i)
        peers.emplace_back(TcpConnect(port));
    ASSERT_TRUE(WaitUntil([&] { return engine->LiveWorkers() == 5; }));
    peers.clear();
    // Each leaves once idle, and is joined by the next to leave or at teardown.
    ASSERT_TRUE(WaitUntil([&] { return OnlyAccepting() && engine->ParkedWorkers() == 0; }));
    const size_t made = engine->ThreadsMade();
    ServeOne("after the idle ones left");
    EXPECT_EQ(engine->ThreadsMade(), made + 1);
}

TEST_F(WorkerPoolTest, RefusedThreadIsHonouredWhileAThreadIsParked) {
    const std::thread::id served = ServeOne("first");
    ASSERT_EQ(engine->ParkedWorkers(), 1u);
    WorkerGroup::FailNextSpawnsForTest(1);
    PeerSocket refused(TcpConnect(port));
    EXPECT_TRUE(WaitPeerClosed(refused));
    EXPECT_TRUE(WaitUntil([&] { return engine->ConnectionsWithoutThread() == 1; }));
    EXPECT_EQ(engine->ParkedWorkers(), 1u);
    EXPECT_EQ(ServeOne("second"), served);
}

// Shutdown releases the parked threads and joins the live ones: receive threads in recv and a
// writer blocked on a peer that does not read.
TEST_F(WorkerPoolTest, TeardownEndsParkedAndLiveThreads) {
    std::vector<PeerSocket> peers;
    for (int i = 0; i < 8; ++i)
        peers.emplace_back(TcpConnect(port));
    ASSERT_TRUE(WaitUntil([&] { return engine->LiveWorkers() == 9; }));
    peers.resize(4);
    ASSERT_TRUE(WaitUntil([&] { return engine->ParkedWorkers() == 4; }));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 4; }));
    uint64_t liveKey = 0;
    for (const SinkEvent& e : sink.Events()) {
        std::thread::id unused;
        if (!e.kind && !ClosedBy(e.key, &unused))
            liveKey = e.key;
    }
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(engine->m_map, liveKey);
    }
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(engine->Send(rec, std::string(64 << 20, 'x'), u""), TcpEngine::SendResult::kQueued);
    ASSERT_TRUE(WaitUntil([&] { return engine->LiveWorkers() == 6; }));  // the writer too

    quillet::engine::sock::CloseSocket(listenFd);
    TearDownEngine(*engine);
    EXPECT_EQ(engine->LiveWorkers(), 0u);
    EXPECT_EQ(engine->ParkedWorkers(), 0u);
    for (const PeerSocket& peer : peers)
        EXPECT_TRUE(WaitPeerClosed(peer));
    engine.reset();
    Start();  // for TearDown
}

TEST(WorkerGroupStack, BodiesRunOnASmallGuardedStackWhoseDepthIsMeasured) {
    WorkerGroup::MeasureStackUse(true);
    size_t stack = 0, guard = 0;
    constexpr size_t kTouched = 64 * 1024;
    {
        WorkerGroup group;
        ASSERT_TRUE(group.Spawn([&] {
            pthread_attr_t attr;
            ASSERT_EQ(pthread_getattr_np(pthread_self(), &attr), 0);
            pthread_attr_getstacksize(&attr, &stack);
            pthread_attr_getguardsize(&attr, &guard);
            pthread_attr_destroy(&attr);
            auto* deep = static_cast<volatile char*>(alloca(kTouched));
            for (size_t i = 0; i < kTouched; i += 256)
                deep[i] = 1;
        }));
        group.JoinAll();
    }
    WorkerGroup::MeasureStackUse(false);
    EXPECT_GE(stack, WorkerGroup::kStackBytes);
    EXPECT_LT(stack, 2 * WorkerGroup::kStackBytes);
    EXPECT_GT(guard, 0u);
    EXPECT_GE(WorkerGroup::DeepestStackUse(), kTouched);
    EXPECT_LE(WorkerGroup::DeepestStackUse(), stack);
}
