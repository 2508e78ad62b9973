#include "engine/tcp_engine.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;

namespace {

class TcpEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        listenFd = engine.Listen(0);
        ASSERT_GE(listenFd, 0);
        port = LocalPort(listenFd);
    }
    void TearDown() override {
        quillet::engine::sock::CloseSocket(listenFd);
        TearDownEngine(engine);
    }
    // Connects a peer and waits for the engine to list it; returns the peer socket.
    PeerSocket ConnectPeer(uint64_t* key) {
        size_t before = sink.CountNew();
        PeerSocket fd(TcpConnect(port));
        EXPECT_GE(fd, 0);
        EXPECT_TRUE(WaitUntil([&] { return sink.CountNew() > before; }));
        *key = sink.Events().back().key;
        for (auto& e : sink.Events())
            if (!e.kind)
                *key = e.key;
        return fd;
    }

    RecordingSink sink;
    TcpEngine engine{&sink};
    int listenFd = -1;
    int port = 0;
};

}  // namespace

TEST_F(TcpEngineTest, AcceptsPeersWithGrowingIdsAndLogsTheirData) {
    uint64_t k0, k1;
    PeerSocket a = ConnectPeer(&k0);
    ConnectInfo page;  // a record the page makes between two accepts takes the next id
    engine.AddClient(&page);
    PeerSocket b = ConnectPeer(&k1);
    EXPECT_EQ(k0, 0u);
    EXPECT_EQ(page.nId, 1u);
    EXPECT_EQ(k1, 2u);
    {
        CCritSecLock lock(g_csConnect);
        EraseRecord(engine.m_map, 1);
    }
    ASSERT_TRUE(SendAll(b, "hello"));
    ASSERT_TRUE(WaitUntil([&] { return Snapshot(engine, k1).nRecvBytes == 5; }));
    ConnectInfo rec = Snapshot(engine, k1);
    EXPECT_TRUE(rec.bUnread);
    EXPECT_EQ(rec.nRecvBytesAll, 5u);
    const std::u16string text = Text(rec.strRecv);
    ASSERT_EQ(text.size(), 21u + 5u + 1u);
    EXPECT_EQ(text.substr(19, 2), u"  ");
    EXPECT_EQ(text.substr(21), u"hello\n");
    EXPECT_EQ(rec.addrClient.Port(), LocalPort(b));
    a.Close();
    b.Close();
}

TEST_F(TcpEngineTest, BurstBecomesChunksOfAtMost10239Bytes) {
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    std::string burst(25000, 'x');
    burst[100] = '\0';  // a zero byte shows as a mark, and the text goes on after it
    ASSERT_TRUE(SendAll(peer, burst));
    ASSERT_TRUE(WaitUntil([&] { return Snapshot(engine, key).nRecvBytes == 25000; }));
    ConnectInfo rec = Snapshot(engine, key);
    EXPECT_EQ(rec.nRecvBytesAll, 25000u);
    const std::u16string text = Text(rec.strRecv);
    size_t lines = 0;
    for (char16_t c : text)
        lines += c == u'\n';
    EXPECT_GE(lines, 3u);
    // The worker tells the sink after it has updated the record: the last news may lag.
    EXPECT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == lines; }));
    EXPECT_EQ(text.substr(21, 102), std::u16string(100, u'x') + u"\u2400x");
    EXPECT_EQ(rec.strRecv.Count(), lines);
    peer.Close();
}

TEST_F(TcpEngineTest, PeerCloseGivesExactlyOneClosedNotice) {
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    peer.Close();
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 1; }));
    EXPECT_EQ(Snapshot(engine, key).sock, -1);
    EXPECT_TRUE(WaitUntil([&] { return engine.m_map.size() == 1; }));
    EXPECT_EQ(sink.Count(UPDATE_CLOSED), 1u);
}

// Closing from the page must wake the blocked receive thread at once: the peer sees the close,
// and the thread reports it for a disconnected record.
TEST_F(TcpEngineTest, DisconnectByPageWakesWorkerAndPeerSeesClose) {
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    DisconnectRecord(engine, key);
    EXPECT_TRUE(WaitPeerClosed(peer));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 1; }));
    EXPECT_EQ(Snapshot(engine, key).sock, -1);
    peer.Close();
}

TEST_F(TcpEngineTest, DeletedRecordEndsItsWorkerSilently) {
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    DeleteRecord(engine, key);
    EXPECT_TRUE(WaitPeerClosed(peer));
    // The worker is gone: only the accept thread is left.
    EXPECT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 0 && MapSize(engine) == 0; }));
    peer.Close();
}

TEST_F(TcpEngineTest, SendToResetPeerFailsWithoutSigpipe) {
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    linger lg{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    peer.Close();  // RST
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(engine.m_map, key);
    }
    int result = 1;
    std::string data(1000, 'a');
    for (int i = 0; i < 100 && result > 0; ++i)
        result = TcpEngine::SendOnRecord(rec, data.data(), static_cast<int>(data.size()));
    EXPECT_EQ(result, -1);
}

TEST_F(TcpEngineTest, ListenFailsOnBusyPortAndWorksAgainRightAfterStop) {
    EXPECT_EQ(engine.Listen(port), -1);
    // Leave a connection in TIME_WAIT on the server side, then stop and listen again at once.
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    DisconnectRecord(engine, key);
    EXPECT_TRUE(WaitPeerClosed(peer));
    peer.Close();
    quillet::engine::sock::CloseSocket(listenFd);
    listenFd = -1;
    for (int i = 0; i < 50 && listenFd < 0; ++i)
        listenFd = engine.Listen(port);  // bounded
    ASSERT_GE(listenFd, 0);
    EXPECT_EQ(LocalPort(listenFd), port);
    // Ports are taken from the low 16 bits.
    int other = FreeTcpPort();
    int fd = engine.Listen(other + 65536);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(LocalPort(fd), other);
    quillet::engine::sock::CloseSocket(fd);
}

TEST_F(TcpEngineTest, StopListeningWakesAcceptThreadAndKeepsConnections) {
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    quillet::engine::sock::CloseSocket(listenFd);
    listenFd = -1;
    EXPECT_LT(TcpConnect(port), 0);  // nobody listens any more
    ASSERT_TRUE(SendAll(peer, "still here"));
    EXPECT_TRUE(WaitUntil([&] { return Snapshot(engine, key).nRecvBytes == 10; }));
    peer.Close();
}

// Running out of descriptors must not end the accept thread, nor leave the peer waiting in the
// queue: it is taken off with a spare descriptor and closed, and later peers are accepted again.
TEST_F(TcpEngineTest, AcceptSurvivesDescriptorExhaustion) {
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit low = saved;
    low.rlim_cur = 256;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> hog;
    for (int fd = dup(0); fd >= 0 && hog.size() < 1000; fd = dup(0))
        hog.push_back(fd);
    close(hog.back());  // exactly one free: enough for the peer's socket, none for accept
    hog.pop_back();
    PeerSocket peer(TcpConnect(port));
    ASSERT_GE(peer, 0);
    EXPECT_TRUE(WaitPeerClosed(peer));
    EXPECT_TRUE(WaitUntil([&] { return sink.refused >= 1u; }));
    EXPECT_GT(engine.AcceptRetries(), 0u);
    EXPECT_EQ(sink.CountNew(), 0u);
    for (int fd : hog)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);
    peer.Close();
    uint64_t key;
    PeerSocket next = ConnectPeer(&key);
    ASSERT_TRUE(SendAll(next, "back"));
    EXPECT_TRUE(WaitUntil([&] { return Snapshot(engine, key).nRecvBytes == 4; }));
    next.Close();
}

TEST(TcpEngineTeardown, ManyLiveSendingConnectionsTearDownCleanly) {
    RecordingSink sink;
    auto engine = std::make_unique<TcpEngine>(&sink);
    int lfd = engine->Listen(0);
    ASSERT_GE(lfd, 0);
    int port = LocalPort(lfd);
    std::vector<PeerSocket> peers;
    for (int i = 0; i < 200; ++i)
        peers.emplace_back(TcpConnect(port));
    ASSERT_TRUE(WaitUntil([&] { return sink.CountNew() == 200; }));
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        std::string data(512, 's');
        for (int round = 0; round < 2000 && !stop; ++round)
            for (const PeerSocket& fd : peers)
                send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    });
    WaitUntil([&] { return sink.Count(UPDATE_DATA) > 400; });
    quillet::engine::sock::CloseSocket(lfd);
    TearDownEngine(*engine);
    engine.reset();
    stop = true;
    sender.join();
    for (PeerSocket& fd : peers) {
        EXPECT_TRUE(WaitPeerClosed(fd));
        fd.Close();
    }
}

// A character cut by the end of a connection shows as U+FFFD at the end of its chunk.
TEST_F(TcpEngineTest, PartialCharacterAtConnectionEndShowsAsReplacement) {
    Utf8Wire utf8;
    uint64_t key;
    PeerSocket peer = ConnectPeer(&key);
    ASSERT_TRUE(SendAll(peer, "ab\xE4\xBD"));
    ASSERT_TRUE(WaitUntil([&] { return Snapshot(engine, key).nRecvBytes == 4; }));
    peer.Close();
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 1; }));
    const ConnectInfo rec = Snapshot(engine, key);
    EXPECT_EQ(LinesOf(rec.strRecv), (std::vector<std::u16string>{u"ab\uFFFD"}));
    EXPECT_EQ(rec.nRecvBytes, 4u);
    EXPECT_EQ(sink.Count(UPDATE_DATA), 1u);
}

namespace {

// A connected socket without the test peers' receive timeout, as a client page makes it.
int PlainConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to = Loopback(port);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

// Connect again on a client record starts with no carry: the last bytes of the old connection
// and the first of the new one are no character.
TEST(TcpClientRecord, ReconnectStartsWithoutCarry) {
    Utf8Wire utf8;
    RecordingSink sink;
    TcpEngine engine(&sink);
    int port = 0;
    PeerSocket listener(TcpListen(&port));
    ASSERT_GE(listener, 0);
    auto* rec = new ConnectInfo;
    rec->sock = PlainConnect(port);
    ASSERT_GE(rec->sock, 0);
    engine.AddClient(rec);
    const uint64_t key = rec->nId;
    engine.StartReceive(rec);
    PeerSocket first(TcpAccept(listener));
    ASSERT_TRUE(SendAll(first, "\xE4\xBD"));
    ASSERT_TRUE(WaitUntil([&] { return Snapshot(engine, key).nRecvBytes == 2; }));
    DisconnectRecord(engine, key);
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 1; }));

    const int fd = PlainConnect(port);
    ASSERT_GE(fd, 0);
    {
        CCritSecLock lock(g_csConnect);
        rec->sock = fd;
    }
    engine.StartReceive(rec);
    PeerSocket second(TcpAccept(listener));
    ASSERT_TRUE(SendAll(second, "\xA0z"));
    ASSERT_TRUE(WaitUntil([&] { return Snapshot(engine, key).nRecvBytes == 4; }));
    EXPECT_EQ(LinesOf(Snapshot(engine, key).strRecv),
              (std::vector<std::u16string>{u"\uFFFD", u"\uFFFDz"}));
    TearDownEngine(engine);
    first.Close();
    second.Close();
    listener.Close();
}
