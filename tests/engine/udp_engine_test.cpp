#include "engine/udp_engine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using namespace quillet::test;

namespace {

class UdpServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        serverFd = engine.Bind(0);
        ASSERT_GE(serverFd, 0);
        port = LocalPort(serverFd);
    }
    void TearDown() override {
        quillet::engine::sock::CloseSocket(serverFd);
        TearDownEngine(engine);
    }
    uint64_t KeyOf(int peerFd, const char* ip = "127.0.0.1") {
        return UdpKey(Loopback(LocalPort(peerFd), ip));
    }

    RecordingSink sink;
    UdpEngine engine{&sink};
    int serverFd = -1;
    int port = 0;
};

sockaddr_in Addr(const char* ip, int port) {
    return Loopback(port, ip);
}

}  // namespace

TEST(UdpKeyTest, DistinctPeersNeverShareAKey) {
    // Port times address would give both of these 33554452000.
    EXPECT_NE(UdpKey(Addr("10.0.0.1", 2000)), UdpKey(Addr("20.0.0.2", 1000)));
    EXPECT_NE(UdpKey(Addr("10.0.0.1", 2000)), UdpKey(Addr("10.0.0.2", 1000)));
    EXPECT_NE(UdpKey(Addr("0.0.0.0", 5000)), UdpKey(Addr("0.0.0.0", 5001)));
    EXPECT_EQ(UdpKey(Addr("192.168.1.5", 5000)), UdpKey(Addr("192.168.1.5", 5000)));
}

TEST_F(UdpServerTest, EachSenderBecomesOnePeerRecord) {
    PeerSocket a(UdpBind(0, "127.0.0.1"));
    PeerSocket b(UdpBind(0, "127.0.0.2"));
    ASSERT_TRUE(UdpSendTo(a, "one", port));
    ASSERT_TRUE(UdpSendTo(a, "two", port));
    ASSERT_TRUE(UdpSendTo(b, "three", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 3; }));
    EXPECT_EQ(sink.CountNew(), 2u);
    ConnectInfo ra = Snapshot(engine, KeyOf(a));
    EXPECT_EQ(ra.nId, static_cast<uint32_t>(LocalPort(a)));
    EXPECT_EQ(ra.nRecvBytes, 6u);
    EXPECT_EQ(ra.sock, -1);
    EXPECT_EQ(ra.addrServer.Port(), port);
    EXPECT_EQ(ra.addrClient.Port(), LocalPort(a));
    EXPECT_NE(Text(ra.strRecv).find(u"one\n"), std::u16string::npos);
    EXPECT_NE(Text(ra.strRecv).find(u"two\n"), std::u16string::npos);
    EXPECT_EQ(Snapshot(engine, KeyOf(b, "127.0.0.2")).nRecvBytes, 5u);
    a.Close();
    b.Close();
}

TEST_F(UdpServerTest, DatagramsUpTo65507BytesArriveWhole) {
    PeerSocket a(UdpBind());
    std::string whole(10239, 'w');
    std::string longer(10240, 'l');
    std::string huge(65507, 'h');
    ASSERT_TRUE(UdpSendTo(a, whole, port));
    ASSERT_TRUE(UdpSendTo(a, longer, port));
    ASSERT_TRUE(UdpSendTo(a, huge, port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 3; }));
    ConnectInfo r = Snapshot(engine, KeyOf(a));
    EXPECT_EQ(r.nRecvBytes, 10239u + 10240u + 65507u);
    const std::u16string text = Text(r.strRecv);
    EXPECT_NE(text.find(std::u16string(10239, u'w') + u"\n"), std::u16string::npos);
    EXPECT_NE(text.find(std::u16string(10240, u'l') + u"\n"), std::u16string::npos);
    EXPECT_NE(text.find(std::u16string(65507, u'h') + u"\n"), std::u16string::npos);
    a.Close();
}

// An empty datagram ends only its sender's record; the server goes on receiving from everyone.
TEST_F(UdpServerTest, EmptyDatagramClosesSenderButServerKeepsReceiving) {
    PeerSocket a(UdpBind());
    PeerSocket b(UdpBind());
    ASSERT_TRUE(UdpSendTo(a, "hi", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 1; }));
    ASSERT_TRUE(UdpSendTo(a, "", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 1; }));
    ASSERT_TRUE(UdpSendTo(b, "after", port));
    EXPECT_TRUE(WaitUntil([&] { return Snapshot(engine, KeyOf(b)).nRecvBytes == 5; }));
    ASSERT_TRUE(UdpSendTo(UdpBind(), "", port));  // unknown sender: nothing to close
    ASSERT_TRUE(UdpSendTo(a, "again", port));
    EXPECT_TRUE(WaitUntil([&] { return Snapshot(engine, KeyOf(a)).nRecvBytes == 7; }));
    EXPECT_EQ(sink.Count(UPDATE_CLOSED), 1u);
    a.Close();
    b.Close();
}

TEST_F(UdpServerTest, StopByPageEndsThreadWithoutNotice) {
    PeerSocket a(UdpBind());
    ASSERT_TRUE(UdpSendTo(a, "x", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 1; }));
    quillet::engine::sock::CloseSocket(serverFd);
    // The port is free again at once, and the old thread reported nothing.
    int again = -1;
    for (int i = 0; i < 50 && again < 0; ++i)
        again = engine.Bind(port);
    ASSERT_GE(again, 0);
    serverFd = again;
    ASSERT_TRUE(UdpSendTo(a, "y", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 2; }));
    EXPECT_EQ(sink.Count(UPDATE_CLOSED), 0u);
    EXPECT_EQ(engine.Bind(port), -1);  // UDP binds get no reuse option
    a.Close();
}

TEST_F(UdpServerTest, ZeroByteShowsAsAMarkAndTheTextGoesOn) {
    PeerSocket a(UdpBind());
    ASSERT_TRUE(UdpSendTo(a, std::string("ab\0cd", 5), port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 1; }));
    ConnectInfo r = Snapshot(engine, KeyOf(a));
    EXPECT_EQ(r.nRecvBytesAll, 5u);
    EXPECT_EQ(Text(r.strRecv).substr(21), u"ab\u2400cd\n");
    a.Close();
}

namespace {

// A client endpoint as the client page makes it: bound to a specific address, listed under it.
ConnectInfo* MakeEndpoint(UdpEngine& engine, int peerPort, bool list) {
    auto* rec = new ConnectInfo;
    rec->sock = UdpBind(0, "127.0.0.1");
    rec->addrClient = Loopback(LocalPort(rec->sock));
    rec->addrServer = Loopback(peerPort);
    rec->nId = LocalPort(rec->sock);
    if (list) {
        CCritSecLock lock(g_csConnect);
        InsertRecord(engine.m_map, UdpKey(rec->addrClient), rec);
    }
    engine.StartClientReceive(rec);
    return rec;
}

}  // namespace

TEST(UdpClientTest, EndpointTakesDatagramsFromAnySenderAndClosesOnEmptyOne) {
    RecordingSink sink;
    UdpEngine engine(&sink);
    ConnectInfo* ep = MakeEndpoint(engine, 9, true);
    int port = ep->addrClient.Port();
    PeerSocket a(UdpBind()), b(UdpBind());
    ASSERT_TRUE(UdpSendTo(a, "from a", port));
    ASSERT_TRUE(UdpSendTo(b, "from b", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 2; }));
    EXPECT_EQ(sink.CountNew(), 0u);
    EXPECT_EQ(Snapshot(engine, UdpKey(ep->addrClient)).nRecvBytes, 12u);
    // Replies go through the endpoint's own socket to its peer.
    PeerSocket peer(UdpBind());
    sockaddr_in to = Loopback(LocalPort(peer));
    EXPECT_EQ(UdpEngine::SendTo(ep->sock, "re", 2, to), 2);
    bool ok;
    EXPECT_EQ(UdpRecv(peer, &ok), "re");
    ASSERT_TRUE(UdpSendTo(a, "", port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 1; }));
    EXPECT_EQ(Snapshot(engine, UdpKey(ep->addrClient)).sock, -1);
    TearDownEngine(engine);
    a.Close();
    b.Close();
    peer.Close();
}

// An endpoint that is not listed under its own address drops what it receives, and must not
// leave behind peer records that nothing shows or frees.
TEST(UdpClientTest, UnattributableDatagramMakesNoRecord) {
    RecordingSink sink;
    UdpEngine engine(&sink);
    ConnectInfo* ep = MakeEndpoint(engine, 9, false);
    PeerSocket a(UdpBind());
    ASSERT_TRUE(UdpSendTo(a, "lost", ep->addrClient.Port()));
    ASSERT_TRUE(UdpSendTo(a, "", ep->addrClient.Port()));
    // The empty datagram ends the endpoint's thread, so everything before it was handled.
    EXPECT_TRUE(WaitUntil([&] { return engine.LiveWorkers() == 0; }));
    TearDownEngine(engine);
    EXPECT_EQ(sink.CountNew(), 0u);
    EXPECT_EQ(sink.Count(UPDATE_DATA), 0u);
    quillet::engine::sock::CloseSocket(ep->sock);
    delete ep;
    a.Close();
}

// Datagrams are decoded each on its own: the first bytes of a character from one sender and
// the rest from another (or from the same sender's next datagram) never make a character.
TEST(UdpDatagramText, IncompleteCharacterEndsItsDatagram) {
    Utf8Wire utf8;
    RecordingSink sink;
    UdpEngine engine(&sink);
    ConnectInfo* ep = MakeEndpoint(engine, 9, true);
    const int epPort = ep->addrClient.Port();
    PeerSocket a(UdpBind()), b(UdpBind());
    ASSERT_TRUE(UdpSendTo(a, "x\xE4\xBD", epPort));  // "你" cut after two bytes
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 1; }));
    ASSERT_TRUE(UdpSendTo(b, "\xA0y", epPort));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 2; }));
    EXPECT_EQ(LinesOf(Snapshot(engine, UdpKey(ep->addrClient)).strRecv),
              (std::vector<std::u16string>{u"x\uFFFD", u"\uFFFDy"}));

    int server = engine.Bind(0);
    ASSERT_GE(server, 0);
    ASSERT_TRUE(UdpSendTo(a, "\xE4\xBD", LocalPort(server)));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 3; }));
    ASSERT_TRUE(UdpSendTo(a, "\xA0", LocalPort(server)));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_DATA) == 4; }));
    const ConnectInfo peer = Snapshot(engine, UdpKey(Loopback(LocalPort(a))));
    EXPECT_EQ(LinesOf(peer.strRecv), (std::vector<std::u16string>{u"\uFFFD", u"\uFFFD"}));
    EXPECT_EQ(peer.nRecvBytes, 3u);
    quillet::engine::sock::CloseSocket(server);
    TearDownEngine(engine);
    a.Close();
    b.Close();
}
