// A page's record store: listing, deleting and closing records under the lock, what the views
// copy of a log, and the close rules that keep a worker from harming a record's later socket.
#include "engine/record_store.h"
#include "engine/record_log.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/connect_loopback.h"

using namespace quillet::engine;

using namespace quillet::test;
namespace sock = quillet::engine::sock;

namespace {

bool IsOpen(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

// A record with a bound UDP socket of its own, as a client endpoint has.
std::unique_ptr<ConnectInfo> EndpointRecord() {
    sock::UdpOptions options;
    options.local = Loopback(0);
    sock::UdpEndpoint endpoint = sock::OpenUdpEndpoint(options);
    auto rec = std::make_unique<ConnectInfo>();
    rec->addrClient = endpoint.bound;
    rec->nId = endpoint.bound.Port();
    rec->sock = endpoint.socket.release();
    return rec;
}

// Keeps the worker of the first data notification busy until Release(), as a page that is
// slow to look would; counts closed notifications.
class HoldingSink : public IConnectionSink {
public:
    void OnNewConnection(ConnectInfo*, uint64_t) override {}
    void OnConnectionUpdate(ConnectInfo*, UpdateKind kind, uint64_t) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (kind == UPDATE_CLOSED) {
            ++m_closed;
            return;
        }
        if (m_held)
            return;
        m_held = true;
        m_cv.notify_all();
        m_cv.wait_for(lock, std::chrono::seconds(10), [this] { return m_released; });
    }
    bool WaitHeld() {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(5), [this] { return m_held; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_cv.notify_all();
    }
    int Closed() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closed;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_held = false, m_released = false;
    int m_closed = 0;
};

}  // namespace

TEST(RecordStore, ListsChecksDeletesAndClosesRecordsUnderTheLock) {
    RecordStore store;
    auto made = EndpointRecord();
    const int fd = made->sock;
    const uint64_t key = UdpKey(made->addrClient);
    ConnectInfo* rec = store.Add(key, std::move(made));
    ConnectInfo stranger;
    EXPECT_TRUE(store.Contains(key));
    EXPECT_FALSE(store.Contains(key + 1));
    EXPECT_TRUE(store.IsListed(key, rec));
    EXPECT_FALSE(store.IsListed(key, &stranger));
    EXPECT_FALSE(store.IsListed(key + 1, rec));

    bool heldInside = false;
    EXPECT_TRUE(
        store.WithListed(key, rec, [&] { heldInside = g_csConnect.IsLockedByThisThread(); }));
    EXPECT_TRUE(heldInside);
    EXPECT_FALSE(store.WithListed(key, &stranger, [] { ADD_FAILURE() << "ran for a stranger"; }));

    EXPECT_TRUE(store.IsOpen(rec));
    EXPECT_TRUE(store.Disconnect(rec));
    EXPECT_EQ(rec->sock, -1);
    EXPECT_FALSE(IsOpen(fd));
    EXPECT_FALSE(store.Disconnect(rec));

    auto other = EndpointRecord();
    const int otherFd = other->sock;
    const uint64_t otherKey = UdpKey(other->addrClient);
    store.Add(otherKey, std::move(other));
    store.Delete(key, rec);  // freed: the sanitizer builds see a double or missing free
    EXPECT_FALSE(store.Contains(key));
    EXPECT_TRUE(store.Contains(otherKey));

    // Teardown frees what is listed and what the page shows without its being listed.
    auto shownOnly = EndpointRecord();
    const int shownFd = shownOnly->sock;
    store.CloseAndFreeAll({shownOnly.release()});
    EXPECT_FALSE(store.Contains(otherKey));
    EXPECT_TRUE(store.Map().empty());
    EXPECT_FALSE(IsOpen(otherFd));
    EXPECT_FALSE(IsOpen(shownFd));
}

TEST(RecordStore, MarksReadAndClearsEachSideOfARecord) {
    RecordStore store;
    ConnectInfo* rec = store.Add(7, std::make_unique<ConnectInfo>());
    LogReceivedChunk(rec, "in", false);
    LogSentChunk(rec, "out");
    EXPECT_EQ(rec->nSentBytes, 3u);
    EXPECT_TRUE(store.IsUnread(rec));
    EXPECT_FALSE(store.MarkRead(rec));  // closed
    EXPECT_FALSE(store.IsUnread(rec));
    EXPECT_EQ(store.CopyLogWindow(rec, ChunkDir::kReceived, 0, 10).chunks.at(0).bytes, "in");
    EXPECT_EQ(store.CopyLogWindow(rec, ChunkDir::kSent, 0, 10).chunks.at(0).bytes, "out");

    rec->bUnread = true;
    store.ClearReceived(rec);
    EXPECT_FALSE(rec->bUnread);
    EXPECT_EQ(rec->nRecvBytes, 0u);
    EXPECT_EQ(rec->nRecvBytesAll, 0u);
    EXPECT_TRUE(rec->strRecv.empty());
    EXPECT_EQ(rec->strSent.Count(), 1u);
    store.ClearSent(rec);
    EXPECT_EQ(rec->nSentBytes, 0u);
    EXPECT_TRUE(rec->strSent.empty());
    store.CloseAndFreeAll({});
}

TEST(RecordStore, LogWindowsCopyOnlyWhatIsAskedFor) {
    RecordStore store;
    ConnectInfo* rec = store.Add(1, std::make_unique<ConnectInfo>());
    for (int i = 0; i < 100; ++i)
        LogReceivedChunk(rec, std::string(1, static_cast<char>('0' + i % 10)), false);
    const uint64_t before = RecordStore::CopiedChunks();
    RecordStore::LogWindow w = store.CopyLogWindow(rec, ChunkDir::kReceived, 40, 45);
    EXPECT_EQ(RecordStore::CopiedChunks() - before, 5u);
    EXPECT_EQ(w.first, 0u);
    EXPECT_EQ(w.end, 100u);
    EXPECT_EQ(w.from, 40u);
    ASSERT_EQ(w.chunks.size(), 5u);
    EXPECT_EQ(w.chunks[0].bytes, "0");
    w = store.CopyLogWindow(rec, ChunkDir::kReceived, 90, 1000, 3);
    EXPECT_EQ(w.chunks.size(), 3u);
    w = store.CopyLogWindow(rec, ChunkDir::kReceived, 0, 0);
    EXPECT_TRUE(w.chunks.empty());
    EXPECT_EQ(w.end, 100u);
    EXPECT_EQ(store.LogBytes(rec, ChunkDir::kReceived, 10, 20), 10u);
    EXPECT_EQ(store.LogBytes(rec, ChunkDir::kReceived, 0, 100), 100u);
    store.CloseAndFreeAll({});
}

// A disconnected endpoint's port is free at once, even while its receive thread is still busy
// with the page: the closed number is parked on a placeholder, not kept by the shut-down socket.
TEST(RecordStoreCloseRules, DisconnectFreesThePortWhileTheWorkerIsStillBusy) {
    HoldingSink sink;
    UdpEngine engine(&sink);
    RecordStore& store = engine.m_store;
    auto made = EndpointRecord();
    made->addrServer = Loopback(9);
    const sockaddr_in local = made->addrClient.AsV4();
    ConnectInfo* rec = store.Add(UdpKey(local), std::move(made));
    engine.StartClientReceive(rec);
    int peer = UdpBind();
    ASSERT_TRUE(UdpSendTo(peer, "busy", ntohs(local.sin_port)));
    ASSERT_TRUE(sink.WaitHeld());

    EXPECT_TRUE(store.Disconnect(rec));
    int again = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(bind(again, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0)
        << "the port is still bound: " << strerror(errno);
    close(again);

    sink.Release();
    EXPECT_TRUE(WaitUntil([&] { return engine.LiveWorkers() == 0; }));
    engine.Shutdown();
    store.CloseAndFreeAll({});
    CloseFd(peer);
}

// A record disconnected and connected again while its old receive thread was still busy: when
// that thread ends it must leave the new socket open, and say nothing of a close.
TEST(RecordStoreCloseRules, OldReceiveThreadLeavesAReconnectedRecordsSocketAlone) {
    HoldingSink sink;
    TcpEngine engine(&sink);
    RecordStore& store = engine.m_store;
    int port = 0;
    int listener = TcpListen(&port);
    ASSERT_GE(listener, 0);
    auto made = std::make_unique<ConnectInfo>();
    made->addrServer = Loopback(port);
    ConnectInfo* rec = engine.AddClient(std::move(made));
    int error = 0;
    store.AttachSocket(rec, ConnectLoopback(port, &error));
    ASSERT_EQ(error, 0);
    int first = TcpAccept(listener);
    engine.StartReceive(rec);
    ASSERT_TRUE(SendAll(first, "x"));
    ASSERT_TRUE(sink.WaitHeld());

    EXPECT_TRUE(store.Disconnect(rec));
    store.AttachSocket(rec, ConnectLoopback(port, &error));
    ASSERT_EQ(error, 0);
    int second = TcpAccept(listener);
    engine.StartReceive(rec);
    sink.Release();
    ASSERT_TRUE(WaitUntil([&] { return engine.LiveWorkers() <= 1; }));

    EXPECT_TRUE(store.IsOpen(rec));
    EXPECT_EQ(sink.Closed(), 0);
    EXPECT_EQ(TcpEngine::SendOnRecord(rec, "y", 1), 1);
    EXPECT_EQ(RecvExactly(second, 1), "y");

    engine.Shutdown();
    store.CloseAndFreeAll({});
    for (int fd : {first, second, listener})
        CloseFd(fd);
}

TEST(CritSec, AWorkerThatFindsTheLockTakenHasItsWaitMeasured) {
    g_csConnect.ResetWaitStats();
    {
        CCritSecLock lock(g_csConnect);  // the main thread's own takes are not counted
    }
    EXPECT_EQ(g_csConnect.ContendedLocks(), 0u);
    std::thread worker;
    {
        CCritSecLock lock(g_csConnect);
        worker = std::thread([] { CCritSecLock inner(g_csConnect); });
        // Held until the worker has found it taken.
        EXPECT_TRUE(WaitUntil([] { return g_csConnect.ContendedLocks() >= 1; }));
    }
    worker.join();
    EXPECT_GT(g_csConnect.MaxWorkerWaitNs(), 0u);
    g_csConnect.ResetWaitStats();
    EXPECT_EQ(g_csConnect.MaxWorkerWaitNs(), 0u);
}
