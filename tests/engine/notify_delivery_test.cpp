// The hand-over of notifications to a page: handlers only ever see listed, live records; a
// page that deletes, disconnects and tears down under g_csConnect while workers are waiting for
// it never deadlocks with them.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <random>

#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;

namespace {

// A page's handler: verify under the lock that the record is listed, then read all of it.
template <typename Engine>
void HandleLikeAPage(Engine& engine, const SinkEvent& e, std::atomic<size_t>* handled) {
    CCritSecLock lock(g_csConnect);
    if (!IsListed(engine.m_map, e.key, e.record))
        return;
    volatile size_t sink = e.record->strRecv.HeldBytes() + e.record->nRecvBytes;
    (void)sink;
    ++*handled;
}

}  // namespace

TEST(NotifyDelivery, TcpStressWithDeletesAndTeardown) {
    constexpr int kClients = 200;
    std::atomic<size_t> handled{0};
    TcpEngine* enginePtr = nullptr;
    UiThreadSink sink([&](const SinkEvent& e) { HandleLikeAPage(*enginePtr, e, &handled); });
    TcpEngine engine(&sink);
    enginePtr = &engine;
    int lfd = engine.Listen(0);
    ASSERT_GE(lfd, 0);
    int port = LocalPort(lfd);

    std::vector<int> peers;
    for (int i = 0; i < kClients; ++i)
        peers.push_back(TcpConnect(port));
    ASSERT_TRUE(WaitUntil([&] { return MapSize(engine) == kClients; }));

    std::atomic<bool> stop{false};
    std::thread sender([&] {
        std::string data(700, 'd');
        for (int round = 0; round < 400 && !stop; ++round)
            for (int fd : peers)
                send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    });
    // Deletes and disconnects both from the simulated user-interface thread (where pages run
    // them) and from another thread, all under the lock, while workers wait on that thread.
    std::thread deleter([&] {
        std::mt19937 rng(7);
        for (int i = 0; i < 150; ++i) {
            uint64_t key = rng() % kClients;
            if (i % 3 == 0)
                sink.RunOnUi([&] { DeleteRecord(engine, key); });
            else if (i % 3 == 1)
                DisconnectRecord(engine, key);
            else
                DeleteRecord(engine, key);
        }
    });
    deleter.join();
    EXPECT_TRUE(WaitUntil([&] { return handled > 0; }));
    sink.Close();  // the page goes away: nobody waits for it any more
    quillet::engine::sock::CloseSocket(lfd);
    TearDownEngine(engine);
    stop = true;
    sender.join();
    for (int fd : peers) {
        EXPECT_TRUE(WaitPeerClosed(fd));
        CloseFd(fd);
    }
}

TEST(NotifyDelivery, UdpPeersDeletedWhileNotifying) {
    std::atomic<size_t> handled{0};
    UdpEngine* enginePtr = nullptr;
    UiThreadSink sink([&](const SinkEvent& e) { HandleLikeAPage(*enginePtr, e, &handled); });
    UdpEngine engine(&sink);
    enginePtr = &engine;
    int sfd = engine.Bind(0);
    ASSERT_GE(sfd, 0);
    int port = LocalPort(sfd);
    std::vector<int> senders;
    for (int i = 0; i < 10; ++i)
        senders.push_back(UdpBind());
    std::thread deleter([&] {
        for (int round = 0; round < 200; ++round) {
            CCritSecLock lock(g_csConnect);
            if (!engine.m_map.empty()) {
                auto it = engine.m_map.begin();
                ConnectInfo* rec = it->second;
                engine.m_map.erase(it);
                delete rec;
            }
        }
    });
    for (int round = 0; round < 200; ++round)
        for (int fd : senders)
            UdpSendTo(fd, "payload", port);
    deleter.join();
    EXPECT_TRUE(WaitUntil([&] { return handled > 0; }));
    sink.Close();
    quillet::engine::sock::CloseSocket(sfd);
    TearDownEngine(engine);
    for (int fd : senders)
        CloseFd(fd);
}
