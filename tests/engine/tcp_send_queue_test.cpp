// Sends to a peer that does not keep up: what the socket cannot take at once waits in the
// connection's queue and goes out as the peer reads, without the sending thread waiting.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "engine/tcp_engine.h"
#include "engine/worker_group.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;
using Result = TcpEngine::SendResult;

namespace {

// More than the page's socket and a non-reading peer's small window can hold together.
constexpr size_t kLarge = size_t{16} << 20;

class TcpSendQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        listenFd = engine.Listen(0);
        ASSERT_GE(listenFd, 0);
        // A small receive window that does not grow: the peer holds little of what is sent.
        peer = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int small = 4096;
        setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        timeval bound{5, 0};  // a failing test ends by itself
        setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
        sockaddr_in to = Loopback(LocalPort(listenFd));
        ASSERT_EQ(connect(peer, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
        ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 1; }));
        key = sink.Events().front().key;
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(engine.m_map, key);
    }
    void TearDown() override {
        quillet::engine::sock::CloseSocket(listenFd);
        TearDownEngine(engine);
        CloseFd(peer);
    }
    template <typename T>
    T Queue(T SendQueue::*field) {
        CCritSecLock lock(g_csConnect);
        return rec->sendQueue.*field;
    }
    // Waits until the socket has taken all it can and the writer is blocked on the rest.
    size_t WaitUntilStalled() {
        size_t last = 0;
        int steady = 0;
        WaitUntil([&] {
            const size_t now = Queue(&SendQueue::waitingBytes);
            steady = now == last ? steady + 1 : 0;
            last = now;
            return steady >= 50;
        });
        return last;
    }
    void ResetPeer() {
        linger lg{1, 0};
        setsockopt(peer, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        CloseFd(peer);  // RST
        peer = -1;
    }

    RecordingSink sink;
    TcpEngine engine{&sink};
    int listenFd = -1;
    int peer = -1;
    uint64_t key = 0;
    ConnectInfo* rec = nullptr;
};

}  // namespace

TEST_F(TcpSendQueueTest, WhatFitsGoesAtOnce) {
    EXPECT_EQ(engine.Send(rec, "hello", u"hello"), Result::kAll);
    EXPECT_EQ(RecvExactly(peer, 5), "hello");
    EXPECT_TRUE(Queue(&SendQueue::pending).empty());
    EXPECT_EQ(sink.Count(UPDATE_SENT), 0u);
    EXPECT_EQ(engine.LiveWorkers(), 2u);  // accept and receive threads: no writer was needed
}

// The peer stops reading: Send returns at once with the rest queued, later texts wait behind
// it, and when the peer resets, the queue tells exactly what the socket took and what it did
// not.
TEST_F(TcpSendQueueTest, StalledPeerQueuesAndItsResetTellsWhatWasTaken) {
    const std::string big(kLarge, 'x');
    ASSERT_EQ(engine.Send(rec, big, u"big"), Result::kQueued);
    ASSERT_EQ(engine.Send(rec, "tail", u"tail"), Result::kQueued);
    const size_t waiting = WaitUntilStalled();
    ASSERT_GT(waiting, 4u);
    EXPECT_EQ(Queue(&SendQueue::pending).size(), 2u);
    EXPECT_EQ(sink.Count(UPDATE_SENT), 0u);
    // The queue's bound: a text that would take it past 64 MiB is refused and not queued.
    const std::string huge(SendQueue::kMaxWaitingBytes, 'y');
    EXPECT_EQ(engine.Send(rec, huge, u"huge"), Result::kFull);
    // The socket's send buffer may still grow and take a little more, never the refused text.
    EXPECT_LE(Queue(&SendQueue::waitingBytes), waiting);
    EXPECT_EQ(Queue(&SendQueue::pending).size(), 2u);

    ResetPeer();
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_SENT) == 1; }));
    const auto lost = Queue(&SendQueue::lost);
    ASSERT_EQ(lost.size(), 2u);
    EXPECT_EQ(*lost[0].text, u"big");
    EXPECT_GE(lost[0].taken, kLarge + 4 - waiting);  // what went before the stall, or more
    EXPECT_LT(lost[0].taken, kLarge);
    EXPECT_GT(lost[0].taken, 0u);
    EXPECT_EQ(lost[1].taken, 0u);
    EXPECT_TRUE(Queue(&SendQueue::pending).empty());
    EXPECT_TRUE(Queue(&SendQueue::done).empty());
    EXPECT_TRUE(WaitUntil([&] { return engine.LiveWorkers() == 1; }));  // writer and receiver end
}

// A peer that reads late gets every byte in order, and each text is reported once it is whole.
TEST_F(TcpSendQueueTest, QueuedTextsGoOutInOrderAsThePeerReads) {
    std::string big(kLarge, 'x');
    big.back() = 'z';
    ASSERT_EQ(engine.Send(rec, big, u"big"), Result::kQueued);
    ASSERT_EQ(engine.Send(rec, "tail", u"tail"), Result::kQueued);
    const std::string got = RecvExactly(peer, kLarge + 4);
    EXPECT_EQ(got.size(), kLarge + 4);
    EXPECT_EQ(got.substr(kLarge - 1), "ztail");
    ASSERT_TRUE(WaitUntil([&] { return Queue(&SendQueue::done).size() == 2; }));
    EXPECT_GE(sink.Count(UPDATE_SENT), 1u);
    EXPECT_TRUE(Queue(&SendQueue::lost).empty());
    EXPECT_EQ(engine.Send(rec, "next", u"next"), Result::kAll);  // the queue is empty again
    EXPECT_EQ(RecvExactly(peer, 4), "next");
}

// A text still being encoded goes out as its bytes are made, and a text sent after it waits
// behind it; once made and taken whole, it is reported with all its bytes.
TEST_F(TcpSendQueueTest, AFedTextGoesOutAsItIsMadeAndKeepsItsPlaceInTheQueue) {
    auto feed = std::make_shared<WireFeed>(kLarge);
    std::string sentAtOnce;
    ASSERT_EQ(engine.SendFed(rec, feed, kLarge, std::make_shared<const std::u16string>(u"fed"),
                             &sentAtOnce),
              Result::kQueued);
    ASSERT_EQ(engine.Send(rec, "tail", u"tail"), Result::kQueued);
    EXPECT_EQ(Queue(&SendQueue::waitingBytes), kLarge + 4);
    feed->Append(std::string(1000, 'a'));
    EXPECT_EQ(RecvExactly(peer, 1000), std::string(1000, 'a'));  // before the rest is made
    std::thread producer([&] {
        for (int i = 0; i < 16; ++i)
            feed->Append(std::string(kLarge / 16, static_cast<char>('b' + i)));
        feed->Finish();
    });
    const std::string got = RecvExactly(peer, kLarge + 4);
    producer.join();
    ASSERT_EQ(got.size(), kLarge + 4);
    EXPECT_EQ(got.substr(0, 1), "b");
    EXPECT_EQ(got.substr(kLarge - 1), "qtail");
    ASSERT_TRUE(WaitUntil([&] { return Queue(&SendQueue::done).size() == 2; }));
    const auto done = Queue(&SendQueue::done);
    EXPECT_EQ(done[0].bytes.size(), kLarge + 1000);
    EXPECT_EQ(done[0].feed, nullptr);
    EXPECT_EQ(*done[1].text, u"tail");
    EXPECT_EQ(Queue(&SendQueue::waitingBytes), 0u);
}

// Disconnect drops the queue at once: the writer ends without a report, and nothing more of
// the text reaches the peer.
TEST_F(TcpSendQueueTest, DisconnectDropsTheQueueSilently) {
    ASSERT_EQ(engine.Send(rec, std::string(kLarge, 'x'), u"big"), Result::kQueued);
    WaitUntilStalled();
    {
        CCritSecLock lock(g_csConnect);
        RestartSendQueue(rec->sendQueue, -1, 0);
    }
    DisconnectRecord(engine, key);
    EXPECT_TRUE(Queue(&SendQueue::pending).empty());
    EXPECT_TRUE(WaitUntil([&] { return engine.LiveWorkers() == 1; }));
    EXPECT_EQ(sink.Count(UPDATE_SENT), 0u);
    const std::string got = RecvExactly(peer, kLarge);
    EXPECT_LT(got.size(), kLarge);
}

// No writer thread can be made for what the socket could not take: the page hears at once what
// went and what did not, the connection stays, and the peer gets exactly what was counted as
// taken.
TEST_F(TcpSendQueueTest, NoWriterThreadTellsWhatWasAndWasNotSent) {
    quillet::engine::WorkerGroup::FailNextSpawnsForTest(1);
    ASSERT_EQ(engine.Send(rec, std::string(kLarge, 'x'), u"big"), Result::kQueued);
    quillet::engine::WorkerGroup::FailNextSpawnsForTest(0);
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_SENT) == 1; }));
    const RecordStore::SendNews news = engine.m_store.TakeSendNews(rec);
    EXPECT_TRUE(news.noWriter);
    ASSERT_EQ(news.lost.size(), 1u);
    const size_t taken = news.lost[0].taken;
    EXPECT_LT(taken, kLarge);
    EXPECT_FALSE(Queue(&SendQueue::writer));
    EXPECT_EQ(Queue(&SendQueue::waitingBytes), 0u);
    EXPECT_NE(Snapshot(engine, key).sock, -1);  // only the text failed

    // A later text goes on a writer of its own, right behind what the socket took.
    EXPECT_NE(engine.Send(rec, "next", u"next"), Result::kFailed);
    const std::string got = RecvExactly(peer, taken + 4);
    ASSERT_EQ(got.size(), taken + 4);
    EXPECT_EQ(got.substr(taken), "next");
}
